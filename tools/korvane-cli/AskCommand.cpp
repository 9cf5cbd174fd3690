// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"
#include "CliOutput.h"
#include "app/AppModel.h"
#include "app/ApplicationComposition.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonValue>
#include <QTimer>

#include <cstdlib>
#include <utility>

namespace korvane::cli {

namespace {

constexpr double defaultTimeoutSeconds = 120;

bool isQuiet(const AppModel& model)
{
    return model.pendingWorkCount() == 0 && !model.isResponding();
}

// Runs the event loop until nothing is in flight; false when the deadline came first.
bool waitForQuiet(AppModel& model, const QDeadlineTimer& deadline)
{
    if (isQuiet(model))
        return true;
    if (deadline.hasExpired())
        return false;
    QEventLoop loop;
    const auto check = [&] {
        if (isQuiet(model))
            loop.quit();
    };
    QObject::connect(&model, &AppModel::wentQuiet, &loop, check);
    QObject::connect(&model, &AppModel::isRespondingChanged, &loop, check);
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(std::max<qint64>(0, deadline.remainingTime()));
    loop.exec();
    return isQuiet(model);
}

QString conversationJson(const AppModel& model)
{
    QStringList messages;
    for (const ConversationMessage& message : model.messages()) {
        messages.append(orderedObject({
            {QStringLiteral("role"), rawValue(message.role)},
            {QStringLiteral("mode"),
             optionalText(message.mode ? std::optional(rawValue(*message.mode)) : std::nullopt)},
            {QStringLiteral("content"), message.content},
        }));
    }
    QStringList artifacts;
    for (const Artifact& artifact : model.artifacts()) {
        artifacts.append(artifactJson(artifact));
    }
    QJsonValue selectedIndex(QJsonValue::Null);
    if (const auto selected = model.selectedArtifact()) {
        const QList<Artifact>& all = model.artifacts();
        for (qsizetype index = 0; index < all.size(); ++index) {
            if (all.at(index).id == selected->id) {
                selectedIndex = static_cast<qint64>(index);
                break;
            }
        }
    }
    return u"{\"messages\":[" + messages.join(u',') + u"],\"artifacts\":[" + artifacts.join(u',') +
           u"],\"selectedArtifactIndex\":" + compactJson(selectedIndex) + u'}';
}

int runAskCommand(const QStringList& arguments)
{
    const QString synopsis = askVerb().synopsis();
    double timeoutSeconds = defaultTimeoutSeconds;
    ComputerControlSettings granted;
    QStringList prompts;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString& argument = arguments.at(index);
        if (prompts.isEmpty() && takeComputerControlFlag(argument, granted))
            continue;
        if (prompts.isEmpty() && argument == u"--timeout") {
            if (index + 1 >= arguments.size())
                return usageError(synopsis);
            bool ok = false;
            timeoutSeconds = arguments.at(++index).toDouble(&ok);
            if (!ok || !(timeoutSeconds > 0) || timeoutSeconds > 24 * 3600)
                return usageError(synopsis);
            continue;
        }
        prompts.append(argument);
    }
    if (prompts.isEmpty())
        return usageError(synopsis);

    const std::unique_ptr<AppModel> model = makeApplicationModel(
        {.headless = true, .computerControl = commandLineComputerControl(granted)},
        composeDesktop());
    const QDeadlineTimer deadline(static_cast<qint64>(timeoutSeconds * 1000));
    bool timedOut = false;
    for (const QString& prompt : std::as_const(prompts)) {
        model->setPromptText(prompt);
        model->submitPrompt();
        if (!waitForQuiet(*model, deadline)) {
            timedOut = true;
            break;
        }
    }
    printLine(conversationJson(*model));
    if (timedOut) {
        printError(QStringLiteral("korvane-cli ask: timed out after ") +
                   QString::number(timeoutSeconds) + QStringLiteral(" s"));
        // Requests still in flight can never finish now; leave at once instead of tearing
        // down their suspended work half-way.
        std::_Exit(exitTimeout);
    }
    // Every prompt is answered; one answer that tells of a failure fails the run.
    return model->failedOutcomeCount() > 0 ? exitFailure : exitSuccess;
}

} // namespace

Verb askVerb()
{
    return {
        .name = QStringLiteral("ask"),
        .arguments = QStringLiteral(
            "[--timeout SECONDS] [--allow-computer-control] [--allow-script-network] PROMPT..."),
        .summary = QStringLiteral("Submit prompts to a headless assistant and print the outcome"),
        .description = QStringLiteral(
            "Submits each PROMPT in order, as if typed into the window, waiting for the previous "
            "one to finish, then prints {\"messages\":[…],\"artifacts\":[…],"
            "\"selectedArtifactIndex\":N|null} as JSON. No microphone is opened and no wake "
            "phrase is listened for.\n\n"
            "Prompts the phrase parsers recognise are carried out on this desktop, as with run; "
            "the others go to the chat service at OPENAI_BASE_URL with OPENAI_API_KEY. The exit "
            "code is 1 when any answer is a failure sentence, a declined action included.\n\n"
            "Nobody is there to approve what the assistant proposes: without "
            "--allow-computer-control (or the setting) its scripts, typing, key presses and "
            "clicks are declined. Scripts always run in a sandbox."),
        .options =
            {
                {.name = QStringLiteral("--timeout"),
                 .valueName = QStringLiteral("SECONDS"),
                 .text = QStringLiteral(
                     "One time-out for the whole run, 120 by default. On time-out what has arrived "
                     "is printed and the exit code is 3.")},
                {.name = QStringLiteral("--allow-computer-control"),
                 .text = QStringLiteral(
                     "Carry out key presses, typing, clicks and scripts that the assistant asks "
                     "for "
                     "without asking first, as with the setting \"Allow Computer Control\" on. "
                     "Without it such actions are declined.")},
                {.name = QStringLiteral("--allow-script-network"),
                 .text = QStringLiteral(
                     "Let scripts reach the network (and pass them the API key). Without it "
                     "scripts run with no network.")},
            },
        .run = runAskCommand,
    };
}

bool takeComputerControlFlag(const QString& argument, ComputerControlSettings& granted)
{
    if (argument == u"--allow-computer-control") {
        granted.allowComputerControl = true;
        return true;
    }
    if (argument == u"--allow-script-network") {
        granted.letScriptsUseNetwork = true;
        return true;
    }
    return false;
}

ComputerControlPolicy::SettingsSource commandLineComputerControl(ComputerControlSettings granted)
{
    return [granted] {
        const ComputerControlSettings stored = storedComputerControlSettings();
        return ComputerControlSettings{
            .allowComputerControl = granted.allowComputerControl || stored.allowComputerControl,
            .letScriptsUseNetwork = granted.letScriptsUseNetwork || stored.letScriptsUseNetwork};
    };
}

} // namespace korvane::cli
