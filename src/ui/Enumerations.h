// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Enumerations.h"

#include <QtQml/qqmlregistration.h>

// The shared enumerations for the views, as Korvane.RealtimeVoiceState.idle and so on.
namespace KorvaneEnumerations {
Q_NAMESPACE
QML_FOREIGN_NAMESPACE(korvane)
QML_NAMED_ELEMENT(Korvane)
} // namespace KorvaneEnumerations
