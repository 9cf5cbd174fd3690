// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/WakeWordListener.h"

namespace korvane {

WakeWordListener::WakeWordListener(QObject* parent)
    : QObject(parent)
{
}

WakeWordListener::~WakeWordListener() = default;

} // namespace korvane
