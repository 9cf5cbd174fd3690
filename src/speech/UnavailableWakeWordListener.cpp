#include "speech/UnavailableWakeWordListener.h"

namespace korvane {

void UnavailableWakeWordListener::start()
{
}

void UnavailableWakeWordListener::stop()
{
}

} // namespace korvane
