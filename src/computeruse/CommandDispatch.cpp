// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ComputerUseOperations.h"
#include "computeruse/command/CommandParsing.h"
#include "core/Overloaded.h"
#include "platform/MusicAutomation.h"
#include "platform/Workspace.h"

#include <QCoreApplication>

#include <chrono>

namespace korvane::operations {

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds pauseAfterSequenceStep = 350ms;

ComputerUseResult noCommand()
{
    return ComputerUseResult::failure(QStringLiteral("No command provided."));
}

// The music sentences are the player's own.
QCoro::Task<ComputerUseResult> executeMusic(ContextPointer context, MusicCommand music)
{
    MusicAutomation& player = *context->ports.music;
    auto playing = std::visit(Overloaded{
                                  [&](const MusicCommand::Open&) { return player.openMusic(); },
                                  [&](const MusicCommand::Pause&) { return player.stopMusic(); },
                                  [&](const MusicCommand::Resume&) { return player.resumeMusic(); },
                                  [&](const MusicCommand::Play& play) {
                                      return player.playMusic(play.query, play.scope);
                                  },
                              },
                              music.value);
    co_return co_await playing;
}

// Whether the command starts by acting on whatever application is in front.
bool actsOnFrontmostApplication(const ComputerUseCommand& command)
{
    if (const auto* sequence = std::get_if<command::Sequence>(&command.value))
        return !sequence->commands.isEmpty() &&
               actsOnFrontmostApplication(sequence->commands.first());
    return std::holds_alternative<command::InspectUI>(command.value) ||
           std::holds_alternative<command::ClickElement>(command.value) ||
           std::holds_alternative<command::TypeText>(command.value) ||
           std::holds_alternative<command::TypeTextIntoField>(command.value) ||
           std::holds_alternative<command::FocusField>(command.value) ||
           std::holds_alternative<command::PressKey>(command.value) ||
           std::holds_alternative<command::CloseActiveTab>(command.value);
}

// Gives the focus back to the application used before Korvane's window, when that window is
// in front. Absent when nothing needed handing back; else the application now in front, or
// the sentence why it is not.
QCoro::Task<std::optional<std::variant<RunningApplication, QString>>>
handFocusBack(ContextPointer context)
{
    Workspace& workspace = *context->ports.workspace;
    const qint64 ownProcess = QCoreApplication::applicationPid();
    const std::optional<RunningApplication> frontmost = co_await workspace.frontmostApplication();
    if (!frontmost || frontmost->processId != ownProcess)
        co_return std::nullopt;

    const std::optional<RunningApplication> previous =
        co_await workspace.applicationBeforeOwnWindow();
    if (!previous)
        co_return QStringLiteral("No other application was in use before Korvane, so the "
                                 "command was not carried out. Switch to it and try again.");
    const QString refused = QStringLiteral("Could not bring ") + previous->displayName +
                            QStringLiteral(" to the front, so the command was not carried out.");
    // Tasks with arguments are awaited by name: GCC 12 may destroy a co_await's temporaries
    // twice.
    auto activation = workspace.activate(*previous);
    if (!co_await activation)
        co_return refused;

    // Acting before the switch lands would act on Korvane's own window.
    auto landing = waitForFrontmost(context, [&](const std::optional<RunningApplication>& front) {
        return front && front->processId == previous->processId;
    });
    if (co_await landing)
        co_return *previous;
    co_return refused;
}

} // namespace

QCoro::Task<ComputerUseResult> executeTypedText(ContextPointer context, QString text)
{
    const QString trimmed = text.trimmed();
    std::optional<ComputerUseCommand> command = parseComputerUseCommand(trimmed);
    if (!command || !actsOnFrontmostApplication(*command)) {
        auto executing = executeText(context, std::move(text));
        co_return co_await executing;
    }

    auto handingBack = handFocusBack(context);
    const auto handback = co_await handingBack;
    if (handback) {
        if (const auto* refusal = std::get_if<QString>(&*handback))
            co_return ComputerUseResult::failure(*refusal);
    }
    auto executing = execute(context, std::move(*command));
    ComputerUseResult result = co_await executing;
    if (!handback)
        co_return result;
    result.summary = QStringLiteral("In ") + std::get<RunningApplication>(*handback).displayName +
                     QStringLiteral(": ") + result.summary;
    co_return result;
}

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
