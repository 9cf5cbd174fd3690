#include "speech/WakeWordListener.h"

namespace korvane {

WakeWordListener::WakeWordListener(QObject* parent)
    : QObject(parent)
{
}

WakeWordListener::~WakeWordListener() = default;

} // namespace korvane
