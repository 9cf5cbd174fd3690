// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WorkspaceText.h"

#include <QCoreApplication>

#include <algorithm>

namespace korvane {

QString statusTitle(RealtimeVoiceState state)
{
    switch (state) {
    case RealtimeVoiceState::idle:
        return QCoreApplication::translate("WorkspaceText", "Ready");
    case RealtimeVoiceState::connecting:
        return QCoreApplication::translate("WorkspaceText", "Connecting");
    case RealtimeVoiceState::recording:
        return QCoreApplication::translate("WorkspaceText", "Listening");
    case RealtimeVoiceState::speaking:
        return QCoreApplication::translate("WorkspaceText", "Responding");
    case RealtimeVoiceState::failed:
        return QCoreApplication::translate("WorkspaceText", "Voice Failed");
    }
    return {};
}

QString statusSubtitle(RealtimeVoiceState state, bool isWakeWordListening)
{
    switch (state) {
    case RealtimeVoiceState::idle:
        return isWakeWordListening
                   ? QCoreApplication::translate("WorkspaceText",
                                                 "Say \"Hey Korva\" or type a prompt.")
                   : QCoreApplication::translate("WorkspaceText", "Use voice or type a prompt.");
    case RealtimeVoiceState::connecting:
        return QCoreApplication::translate("WorkspaceText", "Starting GPT Realtime 2.");
    case RealtimeVoiceState::recording:
        return QCoreApplication::translate("WorkspaceText",
                                           "Speak naturally. Korvane is listening.");
    case RealtimeVoiceState::speaking:
        return QCoreApplication::translate("WorkspaceText",
                                           "Response is playing and updating the artifact.");
    case RealtimeVoiceState::failed:
        return QCoreApplication::translate("WorkspaceText", "Check configuration and try again.");
    }
    return {};
}

QColor micTint(RealtimeVoiceState state)
{
    switch (state) {
    case RealtimeVoiceState::idle:
        return QColor(0x0a, 0x7c, 0xff); // blue
    case RealtimeVoiceState::connecting:
        return QColor(0xff, 0x95, 0x00); // orange
    case RealtimeVoiceState::recording:
        return QColor(0x28, 0xb4, 0x63); // green
    case RealtimeVoiceState::speaking:
        return QColor(0x1c, 0xb5, 0xd8); // cyan
    case RealtimeVoiceState::failed:
        return QColor(0xe5, 0x39, 0x35); // red
    }
    return {};
}

QString micHelpText(RealtimeVoiceState state)
{
    return state == RealtimeVoiceState::idle
               ? QCoreApplication::translate("WorkspaceText", "Start Computer Use Voice")
               : QCoreApplication::translate("WorkspaceText", "Stop Computer Use Voice");
}

double micDiameter(double availableWidth)
{
    return std::clamp(availableWidth * 0.52, 220.0, 310.0);
}

QString inspectorToggleIcon(bool isArtifactVisible)
{
    return isArtifactVisible ? QStringLiteral("arrow.down.right.and.arrow.up.left")
                             : QStringLiteral("arrow.up.left.and.arrow.down.right");
}

QString inspectorToggleHelp(bool isArtifactVisible)
{
    return isArtifactVisible ? QCoreApplication::translate("WorkspaceText", "Collapse Artifact")
                             : QCoreApplication::translate("WorkspaceText", "Expand Artifact");
}

} // namespace korvane
