// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFakes.h"

#include <QCoreApplication>
#include <QTest>
#include <qcoro/qcorosignal.h>
#include <qcoro/qcorotimer.h>

#include <chrono>

namespace korvane::test {

using namespace std::chrono_literals;

void Gate::open()
{
    isOpen = true;
    Q_EMIT opened();
}

QCoro::Task<> Gate::pass()
{
    // Answers never arrive inside the call that asked for them.
    co_await QCoro::sleepFor(0ms);
    if (!isOpen)
        co_await qCoro(this, &Gate::opened);
}

QCoro::Task<AssistantResponse> FakeAssistantProvider::respond(AssistantRequest request)
{
    requests.append(request);
    co_await gate.pass();
    if (replies.isEmpty())
        co_return AssistantResponse{.message = assistantMessage(QStringLiteral("Hello."))};
    co_return replies.takeFirst();
}

QCoro::Task<std::optional<QString>> FakeImageAssistantProvider::generateGptImage(QString prompt,
                                                                                 QString size)
{
    generations.append({prompt, size});
    const qsizetype number = generations.size();
    co_await imageGate.pass();
    if (failing)
        co_return std::nullopt;
    co_return QStringLiteral("file:///generated/") + QString::number(number) +
        QStringLiteral(".png");
}

QCoro::Task<ComputerUseResult> FakeComputerUseService::execute(QString text)
{
    executed.append(text);
    co_await gate.pass();
    if (!results.isEmpty())
        co_return results.takeFirst();
    co_return ComputerUseResult{.summary = QStringLiteral("Did ") + text + u'.'};
}

QCoro::Task<ComputerUseResult> FakeComputerUseService::executeTypedCommand(QString text)
{
    typedCommands.append(text);
    return execute(std::move(text));
}

QCoro::Task<ComputerUseResult> FakeComputerUseService::inspectUI()
{
    co_return ComputerUseResult{.summary = QStringLiteral("Inspected.")};
}

QCoro::Task<ComputerUseResult>
FakeComputerUseService::runPythonScript(QString code, ScriptPermissions permissions)
{
    scripts.append(code);
    scriptPermissions.append(permissions);
    co_await gate.pass();
    co_return scriptResult;
}

QCoro::Task<> FakeRealtimeVoiceService::start(bool isVoice)
{
    starts.append(isVoice);
    co_return;
}

QCoro::Task<> FakeRealtimeVoiceService::stop()
{
    ++stops;
    co_return;
}

QCoro::Task<> FakeRealtimeVoiceService::setVoiceMode(bool enabled)
{
    voiceModes.append(enabled);
    co_return;
}

void FakeSpokenFeedback::speak(QString text, std::function<void()> completion)
{
    spoken.append(text);
    pending = std::move(completion);
}

void FakeSpokenFeedback::finish()
{
    if (auto completion = std::exchange(pending, {}))
        completion();
}

AppModelHarness::AppModelHarness(bool withImages, std::shared_ptr<ComputerUseService> executor)
{
    if (withImages) {
        auto provider = std::make_shared<FakeImageAssistantProvider>();
        images = provider.get();
        assistant = provider;
    } else {
        assistant = std::make_shared<FakeAssistantProvider>();
    }
    model = std::make_unique<AppModel>(AppModelServices{
        .assistantProvider = assistant,
        .computerUseService = executor ? executor : computerUse,
        .realtimeVoiceService = realtime,
        .wakeWordListener = wake,
        .spokenFeedback = speech,
        .windowActivator = activator,
        .actionApprover =
            std::make_shared<ComputerControlPolicy>([this] { return controlSettings; }, approvals),
        .approvalRequests = approvals,
        .recognizesCommand = executor ? std::function<bool(QStringView)>{}
                                      : [](QStringView text) { return text.startsWith(u"open "); },
    });
}

void AppModelHarness::submit(const QString& text)
{
    model->setPromptText(text);
    model->submitPrompt();
}

bool AppModelHarness::waitForQuiet()
{
    processEvents();
    return QTest::qWaitFor(
        [this] { return model->pendingWorkCount() == 0 && !model->isResponding(); }, 5000);
}

void AppModelHarness::processEvents()
{
    for (int turn = 0; turn < 5; ++turn)
        QCoreApplication::processEvents();
}

ConversationMessage assistantMessage(const QString& content)
{
    return {.role = ConversationRole::assistant, .content = content};
}

QStringList contents(const QList<ConversationMessage>& messages)
{
    QStringList texts;
    for (const ConversationMessage& message : messages)
        texts.append(message.content);
    return texts;
}

} // namespace korvane::test
