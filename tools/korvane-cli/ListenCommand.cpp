// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"
#include "CliOutput.h"
#include "RecordedAudioCapture.h"
#include "WaveFile.h"
#include "app/ApplicationComposition.h"
#include "platform/SpeechRecognizer.h"
#include "platform/linux/audio/QtAudioCaptureDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonValue>
#include <QMetaObject>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <csignal>

namespace korvane::cli {

namespace {

std::atomic<bool> interrupted{false};

struct ListenOptions {
    std::optional<double> seconds;
    std::optional<QString> file;
    bool verbose = false;
};

std::optional<ListenOptions> parseOptions(const QStringList& arguments)
{
    ListenOptions options;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString& argument = arguments.at(index);
        const bool hasValue = index + 1 < arguments.size();
        if (argument == u"--verbose") {
            options.verbose = true;
        } else if (argument == u"--seconds" && hasValue && !options.seconds) {
            bool ok = false;
            const double seconds = arguments.at(++index).toDouble(&ok);
            if (!ok || !(seconds > 0) || seconds > 24 * 3600)
                return std::nullopt;
            options.seconds = seconds;
        } else if (argument == u"--file" && hasValue && !options.file) {
            options.file = arguments.at(++index);
        } else {
            return std::nullopt;
        }
    }
    if (options.seconds && options.file)
        return std::nullopt;
    return options;
}

QJsonValue seconds(std::chrono::steady_clock::duration at)
{
    const double value = std::chrono::duration<double>(at).count();
    return std::round(value * 1000) / 1000;
}

} // namespace

int runListenCommand(const QStringList& arguments)
{
    const auto options = parseOptions(arguments);
    if (!options)
        return usageError(listenVerb().synopsis());

    QEventLoop loop;
    int exitCode = exitSuccess;
    // Set once the service exists; the recording's end asks it to finish its work first.
    std::function<void()> recordingEnded;

    // Where the listener is: the position in the recording, or the time since the start.
    std::function<std::chrono::steady_clock::duration()> position;
    auto dependencies = wakeWordListenerDependencies(nullptr);
    const std::shared_ptr<SpeechRecognizer> recognizer = dependencies.recognizer;
    const auto backlog = [recognizer] {
        return recognizer ? recognizer->backlog() : std::chrono::milliseconds();
    };
    if (options->file) {
        auto read = readWaveFile(*options->file);
        if (const auto* error = std::get_if<QString>(&read)) {
            printError(QStringLiteral("korvane-cli listen: ") + *error);
            return exitFailure;
        }
        auto recording = std::make_shared<RecordedAudioCapture>(
            std::get<AudioBuffer>(std::move(read)), backlog, [&loop, &recordingEnded] {
                QMetaObject::invokeMethod(&loop, [&recordingEnded] { recordingEnded(); });
            });
        position = [recording, backlog] { return recording->position() - backlog(); };
        // The one-second guard between wakes counts the recording's time.
        dependencies.clock = [recording] {
            return std::chrono::steady_clock::time_point(recording->position());
        };
        dependencies.capture = recording;
    } else {
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        position = [started] { return std::chrono::nanoseconds(started->nsecsElapsed()); };
        dependencies.capture = std::make_shared<QtAudioCaptureDevice>();
    }

    WakeWordVoiceService listener(std::move(dependencies));
    QObject::connect(&listener, &WakeWordListener::wakePhraseHeard, [&](HeardWakePhrase heard) {
        printLine(orderedObject({
            {QStringLiteral("event"), QStringLiteral("wake")},
            {QStringLiteral("suffix"), optionalText(heard.commandSuffix)},
            {QStringLiteral("at"), seconds(position())},
        }));
        // The window starts listening again once the command or session is over; here at once.
        listener.start();
    });
    if (options->verbose) {
        QObject::connect(&listener, &WakeWordVoiceService::heard, [&](QString text, bool isFinal) {
            printLine(orderedObject({
                {QStringLiteral("event"), QStringLiteral("heard")},
                {QStringLiteral("text"), text},
                {QStringLiteral("final"), isFinal},
                {QStringLiteral("at"), seconds(position())},
            }));
        });
    }
    // Every result of the recording has reached the service by now; its last words follow.
    recordingEnded = [&] { listener.afterPendingWork([&loop] { loop.quit(); }); };
    QObject::connect(&listener, &WakeWordListener::failed, [&](const QString& message) {
        printError(QStringLiteral("korvane-cli listen: ") + message);
        exitCode = exitFailure;
        loop.quit();
    });

    QTimer deadline;
    if (options->seconds) {
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(std::chrono::milliseconds(qint64(*options->seconds * 1000)));
    }
    // Ctrl+C ends listening like the end of the time.
    interrupted = false;
    const auto previousHandler = std::signal(SIGINT, [](int) { interrupted = true; });
    QTimer interruptPoll;
    QObject::connect(&interruptPoll, &QTimer::timeout, &loop, [&loop] {
        if (interrupted)
            loop.quit();
    });
    interruptPoll.start(100);

    listener.start();
    loop.exec();
    std::signal(SIGINT, previousHandler);
    listener.stop();
    if (exitCode == exitSuccess) {
        // Results already on their way are still shown.
        QCoreApplication::processEvents();
        printLine(orderedObject({{QStringLiteral("event"), QStringLiteral("end")}}));
    }
    return exitCode;
}

Verb listenVerb()
{
    return {
        .name = QStringLiteral("listen"),
        .arguments = QStringLiteral("[--seconds N | --file PATH] [--verbose]"),
        .summary = QStringLiteral("Run the wake phrase listener and print what it hears"),
        .description = QStringLiteral(
            "Listens for \"Hey Korva\" exactly as the window does, on the microphone or on a WAV "
            "file of any rate and channel count (converted as microphone audio is), and prints "
            "one compact JSON object a line: {\"event\":\"wake\",\"suffix\":S|null,\"at\":SECONDS} "
            "for each wake and {\"event\":\"end\"} at the end. Exits 0 at the end of the file. "
            "Use it to check the microphone and the wake phrase."),
        .options =
            {
                {.name = QStringLiteral("--seconds"),
                 .valueName = QStringLiteral("N"),
                 .text = QStringLiteral("Listen to the microphone for N seconds.")},
                {.name = QStringLiteral("--file"),
                 .valueName = QStringLiteral("PATH"),
                 .text = QStringLiteral("Listen to a WAV file instead of the microphone."),
                 .takesPath = true},
                {.name = QStringLiteral("--verbose"),
                 .text = QStringLiteral("Also print each transcript as {\"event\":\"heard\","
                                        "\"text\":S,\"final\":BOOL,\"at\":SECONDS}.")},
            },
        .run = runListenCommand,
    };
}

} // namespace korvane::cli
