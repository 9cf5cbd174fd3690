#include "ui/WorkspaceText.h"

#include <algorithm>

namespace korvane {

namespace {

enum class VoiceState { idle, connecting, recording, speaking, failed };

VoiceState voiceState(QStringView text)
{
    if (text == u"connecting")
        return VoiceState::connecting;
    if (text == u"recording")
        return VoiceState::recording;
    if (text == u"speaking")
        return VoiceState::speaking;
    if (text == u"failed")
        return VoiceState::failed;
    return VoiceState::idle;
}

} // namespace

QString statusTitle(QStringView state)
{
    switch (voiceState(state)) {
    case VoiceState::idle:
        return QStringLiteral("Ready");
    case VoiceState::connecting:
        return QStringLiteral("Connecting");
    case VoiceState::recording:
        return QStringLiteral("Listening");
    case VoiceState::speaking:
        return QStringLiteral("Responding");
    case VoiceState::failed:
        return QStringLiteral("Voice Failed");
    }
    return {};
}

QString statusSubtitle(QStringView state, bool isWakeWordListening)
{
    switch (voiceState(state)) {
    case VoiceState::idle:
        return isWakeWordListening ? QStringLiteral("Say \"Hey Korva\" or type a prompt.")
                                   : QStringLiteral("Use voice or type a prompt.");
    case VoiceState::connecting:
        return QStringLiteral("Starting GPT Realtime 2.");
    case VoiceState::recording:
        return QStringLiteral("Speak naturally. Korvane is listening.");
    case VoiceState::speaking:
        return QStringLiteral("Response is playing and updating the artifact.");
    case VoiceState::failed:
        return QStringLiteral("Check configuration and try again.");
    }
    return {};
}

QColor micTint(QStringView state)
{
    switch (voiceState(state)) {
    case VoiceState::idle:
        return QColor(0x0a, 0x7c, 0xff); // blue
    case VoiceState::connecting:
        return QColor(0xff, 0x95, 0x00); // orange
    case VoiceState::recording:
        return QColor(0x28, 0xb4, 0x63); // green
    case VoiceState::speaking:
        return QColor(0x1c, 0xb5, 0xd8); // cyan
    case VoiceState::failed:
        return QColor(0xe5, 0x39, 0x35); // red
    }
    return {};
}

QString micHelpText(QStringView state)
{
    return voiceState(state) == VoiceState::idle ? QStringLiteral("Start Computer Use Voice")
                                                 : QStringLiteral("Stop Computer Use Voice");
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
    return isArtifactVisible ? QStringLiteral("Collapse Artifact")
                             : QStringLiteral("Expand Artifact");
}

} // namespace korvane
