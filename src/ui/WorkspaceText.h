#pragma once

#include <QColor>
#include <QString>
#include <QStringView>

namespace korvane {

// What the workspace shows for a realtime voice state, given as its raw value ("idle",
// "connecting", "recording", "speaking", "failed"). Unknown values read as idle.
QString statusTitle(QStringView voiceState);
QString statusSubtitle(QStringView voiceState, bool isWakeWordListening);
QColor micTint(QStringView voiceState);
QString micHelpText(QStringView voiceState);

// 52 % of the available width, kept between 220 and 310.
double micDiameter(double availableWidth);

// The toolbar button that shows or hides the inspector.
QString inspectorToggleIcon(bool isArtifactVisible);
QString inspectorToggleHelp(bool isArtifactVisible);

} // namespace korvane
