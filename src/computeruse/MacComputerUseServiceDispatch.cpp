#include "computeruse/ComputerUseOperations.h"
#include "computeruse/command/CommandParsing.h"
#include "core/Overloaded.h"

#include <chrono>

namespace korvane::operations {

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds pauseAfterSequenceStep = 350ms;

ComputerUseResult noCommand()
{
    return ComputerUseResult::failure(QStringLiteral("No command provided."));
}

QCoro::Task<ComputerUseResult> executeMusic(ContextPointer context, MusicCommand music)
{
    return std::visit(Overloaded{
                          [&](const MusicCommand::Open&) { return openMusic(context); },
                          [&](const MusicCommand::Pause&) { return stopMusic(context); },
                          [&](const MusicCommand::Resume&) { return resumeMusic(context); },
                          [&](const MusicCommand::Play& play) {
                              return playMusic(context, play.query, play.scope);
                          },
                      },
                      music.value);
}

} // namespace

QCoro::Task<ComputerUseResult> executeText(ContextPointer context, QString text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        co_return noCommand();
    std::optional<ComputerUseCommand> command = parseComputerUseCommand(trimmed);
    if (!command)
        co_return ComputerUseResult::failure(
            QStringLiteral("Computer use for this command is not wired yet."));
    co_return co_await execute(context, std::move(*command));
}

QCoro::Task<ComputerUseResult> execute(ContextPointer context, ComputerUseCommand command)
{
    // Each case hands its payload on untouched; the operations trim what they need.
    return std::visit(
        Overloaded{
            [&](const command::Music& c) { return executeMusic(context, c.music); },
            [&](const command::OpenApp& c) { return openApp(context, c.name); },
            [&](const command::OpenURL& c) { return openURL(context, c.text); },
            [&](const command::CloseWebsite& c) { return closeWebsite(context, c.text); },
            [&](const command::SearchWeb& c) { return searchWeb(context, c.query); },
            [&](const command::TypeText& c) { return typeText(context, c.text); },
            [&](const command::TypeTextIntoField& c) {
                return typeTextIntoField(context, c.text, c.field);
            },
            [&](const command::FocusField& c) { return focusField(context, c.name); },
            [&](const command::ClickElement& c) { return clickElement(context, c.name); },
            [&](const command::PressKey& c) { return pressKey(context, c.key); },
            [&](const command::Sequence& c) { return executeSequence(context, c.commands); },
            [&](const command::CloseActiveTab&) { return closeActiveBrowserTab(context); },
            [&](const command::CreatePagesDocument&) { return createBlankPagesDocument(context); },
            [&](const command::InspectUI&) { return inspectUI(context); },
        },
        command.value);
}

QCoro::Task<ComputerUseResult> executeSequence(ContextPointer context,
                                               QList<ComputerUseCommand> commands)
{
    std::optional<ComputerUseResult> last;
    for (const ComputerUseCommand& step : commands) {
        // Steps never see each other's results; a failure does not stop the sequence.
        last = co_await execute(context, step);
        co_await context->pacing->sleep(pauseAfterSequenceStep);
    }
    co_return last.value_or(noCommand());
}

} // namespace korvane::operations
