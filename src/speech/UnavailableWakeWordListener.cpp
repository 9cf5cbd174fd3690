// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/UnavailableWakeWordListener.h"

namespace korvane {

void UnavailableWakeWordListener::start()
{
}

void UnavailableWakeWordListener::stop()
{
}

} // namespace korvane
