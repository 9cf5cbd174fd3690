// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

#include <functional>
#include <memory>

namespace korvane {

class ActionApprover;
class ApprovalRequests;
class AssistantProvider;
class ComputerUseService;
class RealtimeVoiceService;
class SpokenFeedback;
class WakeWordListener;
class WindowActivator;

// Everything the application model talks to. An empty entry is replaced by the honest
// stand-in (an assistant and computer use that say they are missing, no realtime voice, no
// wake listening, silent speech, no window, and no proposed action runs).
struct AppModelServices {
    std::shared_ptr<AssistantProvider> assistantProvider{};
    std::shared_ptr<ComputerUseService> computerUseService{};
    std::shared_ptr<RealtimeVoiceService> realtimeVoiceService{};
    std::shared_ptr<WakeWordListener> wakeWordListener{};
    std::shared_ptr<SpokenFeedback> spokenFeedback{};
    std::shared_ptr<WindowActivator> windowActivator{};
    // Decides whether an action the assistant proposed (a script, say) runs.
    std::shared_ptr<ActionApprover> actionApprover{};
    // The window's questions to the person, when there is a window.
    std::shared_ptr<ApprovalRequests> approvalRequests{};
    // Whether free text is a command the computer-use layer carries out; empty means the
    // parser chain (music, app interaction, app launch, fallback).
    std::function<bool(QStringView)> recognizesCommand{};
};

} // namespace korvane
