// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Enumerations.h"

#include <QColor>
#include <QString>

namespace korvane {

// What the workspace shows for a realtime voice state.
QString statusTitle(RealtimeVoiceState voiceState);
QString statusSubtitle(RealtimeVoiceState voiceState, bool isWakeWordListening);
QColor micTint(RealtimeVoiceState voiceState);
QString micHelpText(RealtimeVoiceState voiceState);

// 52 % of the available width, kept between 220 and 310.
double micDiameter(double availableWidth);

// The toolbar button that shows or hides the inspector.
QString inspectorToggleIcon(bool isArtifactVisible);
QString inspectorToggleHelp(bool isArtifactVisible);

} // namespace korvane
