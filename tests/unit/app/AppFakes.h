// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppModel.h"
#include "app/ApprovalRequests.h"
#include "app/ComputerControlPolicy.h"
#include "app/WindowActivator.h"
#include "computeruse/ComputerUseService.h"
#include "providers/AssistantProvider.h"
#include "realtime/RealtimeVoiceService.h"
#include "speech/SpokenFeedback.h"
#include "speech/WakeWordListener.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace korvane::test {

// Holds fake answers back until the test opens it; open by default.
class Gate final : public QObject {
    Q_OBJECT

public:
    bool isOpen = true;

    void close() { isOpen = false; }
    void open();
    QCoro::Task<> pass();

Q_SIGNALS:
    void opened();
};

class FakeAssistantProvider : public AssistantProvider {
public:
    AssistantProviderKind kind() const override { return AssistantProviderKind::openAI; }
    QCoro::Task<AssistantResponse> respond(AssistantRequest request) override;

    QList<AssistantRequest> requests;
    QList<AssistantResponse> replies;
    Gate gate;
};

// A provider that also generates images: each call answers "file:///generated/N.png" (N
// counts from 1) unless `failing`.
class FakeImageAssistantProvider final : public FakeAssistantProvider, public GptImageGenerator {
public:
    QCoro::Task<std::optional<QString>> generateGptImage(QString prompt, QString size) override;

    QList<std::pair<QString, QString>> generations;
    bool failing = false;
    Gate imageGate;
};

class FakeComputerUseService final : public ComputerUseService {
public:
    QCoro::Task<ComputerUseResult> execute(QString text) override;
    // Recorded in `typedCommands`, then answered as execute().
    QCoro::Task<ComputerUseResult> executeTypedCommand(QString text) override;
    QCoro::Task<ComputerUseResult> inspectUI() override;
    QCoro::Task<ComputerUseResult> runPythonScript(QString code,
                                                   ScriptPermissions permissions) override;

    QStringList executed;
    QStringList typedCommands;
    QStringList scripts;
    QList<ScriptPermissions> scriptPermissions;
    // Answers for execute, taken in order; then "Did <text>.".
    QList<ComputerUseResult> results;
    ComputerUseResult scriptResult{.summary = QStringLiteral("Script ran.")};
    Gate gate;
};

class FakeRealtimeVoiceService final : public RealtimeVoiceService {
public:
    QCoro::Task<> start(bool isVoice) override;
    QCoro::Task<> stop() override;
    QCoro::Task<> setVoiceMode(bool enabled) override;
    void finishLocalFeedbackAndScheduleIdleDisconnect() override { ++feedbackHandBacks; }
    bool isActive() const override { return active; }
    bool isConnecting() const override { return connecting; }
    void beginHeldTurn() override { heldTurns.append(u"begin"_qs); }
    void endHeldTurn() override { heldTurns.append(u"end"_qs); }
    void writeLog(const QString& message) override { logLines.append(message); }

    bool active = false;
    bool connecting = false;
    QStringList heldTurns;
    QList<bool> starts;
    int stops = 0;
    QList<bool> voiceModes;
    int feedbackHandBacks = 0;
    QStringList logLines;
};

class FakeWakeWordListener final : public WakeWordListener {
public:
    void start() override { ++starts; }
    void stop() override { ++stops; }

    int starts = 0;
    int stops = 0;
};

class FakeSpokenFeedback final : public SpokenFeedback {
public:
    void speak(QString text, std::function<void()> completion) override;
    // Calls the completion of the latest request, as a finished utterance would.
    void finish();

    QStringList spoken;
    std::function<void()> pending;
};

class FakeWindowActivator final : public WindowActivator {
public:
    void activateAppWindows() override { ++activations; }
    int activations = 0;
};

// One model with a fake of every service. Commands are texts starting with "open ".
struct AppModelHarness {
    // With `executor`, commands go through the real parser chain to it instead of the fake.
    explicit AppModelHarness(bool withImages = true,
                             std::shared_ptr<ComputerUseService> executor = {});

    std::shared_ptr<FakeAssistantProvider> assistant;
    FakeImageAssistantProvider* images = nullptr;
    std::shared_ptr<FakeComputerUseService> computerUse =
        std::make_shared<FakeComputerUseService>();
    std::shared_ptr<FakeRealtimeVoiceService> realtime =
        std::make_shared<FakeRealtimeVoiceService>();
    std::shared_ptr<FakeWakeWordListener> wake = std::make_shared<FakeWakeWordListener>();
    std::shared_ptr<FakeSpokenFeedback> speech = std::make_shared<FakeSpokenFeedback>();
    std::shared_ptr<FakeWindowActivator> activator = std::make_shared<FakeWindowActivator>();
    // The window's questions, and the standing answers read at every decision (proposed
    // actions run without asking unless a test says otherwise).
    std::shared_ptr<ApprovalRequests> approvals = std::make_shared<ApprovalRequests>();
    ComputerControlSettings controlSettings{.allowComputerControl = true};
    std::unique_ptr<AppModel> model;

    void submit(const QString& text);
    // Runs the event loop until the model has gone quiet; false if it did not within 5 s.
    bool waitForQuiet();
    static void processEvents();
};

ConversationMessage assistantMessage(const QString& content);
QStringList contents(const QList<ConversationMessage>& messages);

} // namespace korvane::test
