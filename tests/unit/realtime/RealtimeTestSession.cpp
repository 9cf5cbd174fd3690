// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealtimeTestSession.h"

#include "core/DebugLog.h"
#include "realtime/RealtimeClientEvents.h"

#include <QFile>
#include <QTest>

using namespace korvane;

RealtimeTimings shortRealtimeTimings(std::chrono::steady_clock::time_point* now)
{
    RealtimeTimings timings;
    // Long enough never to fire on its own in a test that does not wait for it.
    timings.idleDisconnect = std::chrono::seconds(30);
    timings.echoTail = std::chrono::milliseconds(10);
    timings.drainPoll = std::chrono::milliseconds(5);
    timings.pingInterval = std::chrono::seconds(15);
    timings.pongTimeout = std::chrono::seconds(15);
    timings.sessionCreatedTimeout = std::chrono::seconds(10);
    if (now)
        timings.clock = [now] { return *now; };
    return timings;
}

RealtimeTestSession::RealtimeTestSession(RealtimeTimings timings)
    : capture(std::make_shared<test::FakeAudioCaptureDevice>())
    , playback(std::make_shared<test::FakeAudioPlaybackDevice>())
    , tools(std::make_shared<RecordingToolActions>())
{
    qputenv("KORVANE_ENV_FILES", "");
    qputenv("OPENAI_API_KEY", apiKey);
    qputenv("OPENAI_BASE_URL", server.url().toEncoded());
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_stateHome.path()));

    service = std::make_unique<OpenAIRealtimeVoiceService>(
        tools, AudioDevices{capture, playback, converters.factory()}, std::move(timings));
    // Queued, as the window receives them.
    const auto record = [this](auto signal, auto describe) {
        QObject::connect(
            service.get(), signal, &m_receiver,
            [this, describe](auto... values) { m_log.append(describe(values...)); },
            Qt::QueuedConnection);
    };
    using Service = RealtimeVoiceService;
    record(&Service::stateChanged,
           [](RealtimeVoiceState state) -> QString { return u"state "_qs + rawValue(state); });
    record(&Service::assistantTranscriptChanged,
           [](const QString& text) -> QString { return u"transcript "_qs + text; });
    record(&Service::computerUseFinished, [](const ComputerUseResult& result) -> QString {
        return u"result "_qs + result.summary;
    });
    record(&Service::computerUseStarted,
           [](const QString& action, const std::optional<QString>& code) -> QString {
               return u"start "_qs + action + (code ? u' ' + *code : QString());
           });
    record(&Service::wakePhraseDetected, []() -> QString { return u"wake"_qs; });
    record(&Service::failed,
           [](const QString& message) -> QString { return u"error "_qs + message; });
    record(&Service::responseDone, []() -> QString { return u"done"_qs; });
    acceptSessions();
}

RealtimeTestSession::~RealtimeTestSession()
{
    service.reset();
    for (const char* name :
         {"OPENAI_API_KEY", "OPENAI_BASE_URL", "KORVANE_ENV_FILES", "XDG_STATE_HOME"})
        qunsetenv(name);
}

void RealtimeTestSession::acceptSessions()
{
    server.setOnConnect(test::ScriptedReply{
        .texts = {QStringLiteral(R"({"type":"session.created","session":{}})")}});
}

void RealtimeTestSession::start(bool isVoice)
{
    QCoro::waitFor(service->start(isVoice));
}

void RealtimeTestSession::stop()
{
    QCoro::waitFor(service->stop());
}

void RealtimeTestSession::setVoiceMode(bool enabled)
{
    QCoro::waitFor(service->setVoiceMode(enabled));
}

void RealtimeTestSession::sendEvent(const QJsonObject& event)
{
    server.sendText(RealtimeClientEvents::text(event));
}

void RealtimeTestSession::sendEvent(const QString& type)
{
    sendEvent(QJsonObject{{u"type"_qs, type}});
}

void RealtimeTestSession::settle()
{
    const QString marker = u"<settled "_qs + QString::number(++m_settles) + u'>';
    sendEvent(QJsonObject{{u"type"_qs, u"response.output_text.delta"_qs}, {u"delta"_qs, marker}});
    QTRY_VERIFY(std::any_of(m_log.cbegin(), m_log.cend(),
                            [&marker](const QString& line) { return line.endsWith(marker); }));
}

QStringList RealtimeTestSession::linesAfter(QStringView prefix) const
{
    QStringList lines;
    for (const QString& line : m_log) {
        if (line.startsWith(prefix))
            lines.append(line.mid(prefix.size()));
    }
    return lines;
}

QString RealtimeTestSession::states() const
{
    return linesAfter(u"state ").join(u' ');
}

QString RealtimeTestSession::lastState() const
{
    const QStringList all = linesAfter(u"state ");
    return all.isEmpty() ? QString() : all.constLast();
}

QStringList RealtimeTestSession::errors() const
{
    return linesAfter(u"error ");
}

QString RealtimeTestSession::conversation() const
{
    QStringList words;
    int appends = 0;
    for (const test::WebSocketMessage& message : server.messages()) {
        const QJsonObject event = message.json().value_or(QJsonObject());
        const QString type = event.value(u"type").toString();
        if (type == u"input_audio_buffer.append") {
            ++appends;
            continue;
        }
        if (appends > 0)
            words.append(u"append ×"_qs + QString::number(std::exchange(appends, 0)));
        const QJsonObject update = event.value(u"session").toObject();
        const QJsonObject item = event.value(u"item").toObject();
        const QJsonValue turns =
            update.value(u"audio").toObject().value(u"input").toObject().value(u"turn_detection");
        const QString turnWord = turns.isNull() ? u"held"_qs : u"vad"_qs;
        if (type == u"session.update" && update.contains(u"instructions"))
            words.append(u"configure "_qs + (update.contains(u"audio") ? turnWord : u"text"_qs));
        else if (type == u"session.update")
            words.append(u"turns "_qs + turnWord);
        else if (type == u"conversation.item.create")
            words.append(u"output "_qs + item.value(u"call_id").toString() + u' ' +
                         item.value(u"output").toString());
        else if (type == u"conversation.item.truncate")
            words.append(u"truncate "_qs + QString::number(event.value(u"audio_end_ms").toInt()));
        else
            words.append(QString(type).remove(u"input_audio_buffer."_qs));
    }
    if (appends > 0)
        words.append(u"append ×"_qs + QString::number(appends));
    return words.join(u", "_qs);
}

QString RealtimeTestSession::debugLog() const
{
    // The log is written on a thread of its own.
    flushLog();
    QFile file(m_stateHome.filePath(QStringLiteral("korvane/app_debug.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QJsonObject functionCallEvent(const QString& callId, const std::optional<QString>& arguments,
                              const QString& name)
{
    QJsonObject event{{u"type"_qs, u"response.function_call_arguments.done"_qs},
                      {u"name"_qs, name},
                      {u"call_id"_qs, callId}};
    if (arguments)
        event.insert(u"arguments"_qs, *arguments);
    return event;
}
