#include "RealtimeTestSession.h"
#include "realtime/RealtimeClientEvents.h"

#include <QDir>
#include <QJsonArray>
#include <QTest>
#include <QTimer>

using namespace korvane;
using korvane::test::ScriptedReply;
using korvane::test::WebSocketMessage;

namespace {

QStringList statesOf(std::initializer_list<const char16_t*> names)
{
    QStringList states;
    for (const char16_t* name : names)
        states.append(QString::fromUtf16(name));
    return states;
}

QStringList errorsIn(const QStringList& log)
{
    QStringList errors;
    for (const QString& line : log) {
        if (line.startsWith(u"error "))
            errors.append(line.mid(6));
    }
    return errors;
}

// Sends a transcript delta and waits until the service has handled it, so everything sent
// before it has been handled too.
void settle(RealtimeTestSession& session, const QString& marker = u"marker"_qs)
{
    session.sendEvent(QJsonObject{{u"type"_qs, u"response.text.delta"_qs}, {u"delta"_qs, marker}});
    QTRY_VERIFY(session.log().join(u'\n').contains(marker));
}

} // namespace

class OpenAIRealtimeVoiceServiceTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void handshakeAndFirstMessages();
    void sessionUpdateCarriesAudioOnlyForVoice_data();
    void sessionUpdateCarriesAudioOnlyForVoice();
    void withoutKeyFailsOnce();
    void restartStopsFirst();
    void stopWhenIdleAnnouncesIdle();
    void stopWhileConnectingEndsTheStartQuietly();
    void secondStartWhileConnectingTakesOver();
    void connectionRefusedBeforeSessionCreated();
    void closedConnectionEndsTheSession();
    void idleDisconnectAfterTimeout();
    void speechStartAndToolCallsDisarmIdleDisconnect();
    void pingTimerIsReplacedNotDuplicated();
    void keyStaysOutOfLogAndMessages();
    void toolCallRoundTrip_data();
    void toolCallRoundTrip();
    void unusableToolCalls_data();
    void unusableToolCalls();
    void responseDoneOnlyWithoutToolCall();
    void eventsWaitForTheToolCall();
    void toolCallOutlivingItsSession();
    void feedbackSuppressionWindow_data();
    void feedbackSuppressionWindow();
    void transcripts();
    void userTranscripts_data();
    void userTranscripts();
    void serverErrors_data();
    void serverErrors();
};

void OpenAIRealtimeVoiceServiceTest::handshakeAndFirstMessages()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    QVERIFY(session.service->isActive());

    const std::optional<test::WebSocketHandshake> handshake = session.server.lastHandshake();
    QVERIFY(handshake);
    QCOMPARE(handshake->path, u"/v1/realtime"_qs);
    QCOMPARE(handshake->query, u"model=gpt-realtime-2.1"_qs);
    QCOMPARE(handshake->header("Authorization"), "Bearer " + RealtimeTestSession::apiKey);
    QCOMPARE(handshake->header("OpenAI-Safety-Identifier"), QByteArray("korva-local-dev-user"));

    QTRY_COMPARE(session.sentTypes(),
                 (QStringList{u"session.update"_qs, u"input_audio_buffer.clear"_qs}));
    QTRY_COMPARE(session.states(), statesOf({u"connecting", u"recording"}));
    const QJsonObject update = *session.server.messages().constFirst().json();
    QCOMPARE(update.value(u"session").toObject().value(u"instructions").toString(),
             RealtimeClientEvents::instructions(QDir::homePath()));
    QVERIFY(session.service->isRecording());
    QVERIFY(session.service->isMicrophoneActive());
}

void OpenAIRealtimeVoiceServiceTest::sessionUpdateCarriesAudioOnlyForVoice_data()
{
    QTest::addColumn<bool>("isVoice");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<QStringList>("captureCalls");
    QTest::newRow("voice") << true
                           << QStringList{u"session.update"_qs, u"input_audio_buffer.clear"_qs}
                           << statesOf({u"connecting", u"recording"})
                           << QStringList{u"requestAccess"_qs, u"removeTap"_qs,
                                          u"installTap 2048"_qs, u"start"_qs};
    // A text-only session announces nothing once ready and never opens the microphone.
    QTest::newRow("text only") << false << QStringList{u"session.update"_qs}
                               << statesOf({u"connecting"}) << QStringList{};
}

void OpenAIRealtimeVoiceServiceTest::sessionUpdateCarriesAudioOnlyForVoice()
{
    QFETCH(bool, isVoice);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, states);
    QFETCH(QStringList, captureCalls);
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(isVoice);
    QTRY_COMPARE(session.sentTypes(), sent);
    settle(session);
    QCOMPARE(session.states(), states);
    QCOMPARE(session.capture->calls(), captureCalls);
    const QJsonObject update = *session.server.messages().constFirst().json();
    QCOMPARE(update.value(u"session").toObject().contains(u"audio"), isVoice);
}

void OpenAIRealtimeVoiceServiceTest::withoutKeyFailsOnce()
{
    RealtimeTestSession session;
    session.acceptSessions();
    qputenv("OPENAI_API_KEY", "");
    session.start(true);
    QTRY_COMPARE(session.states(), statesOf({u"connecting", u"failed"}));
    QTest::qWait(50);
    QCOMPARE(session.log(),
             (QStringList{u"state connecting"_qs,
                          u"error OpenAI is not configured. Add OPENAI_API_KEY to .env.local."_qs,
                          u"state failed"_qs}));
    QCOMPARE(session.server.connectionCount(), 0);
    QVERIFY(session.capture->calls().isEmpty());
    QVERIFY(!session.service->isActive());
}

void OpenAIRealtimeVoiceServiceTest::restartStopsFirst()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    session.start(true);
    QTRY_COMPARE(session.states(),
                 statesOf({u"connecting", u"recording", u"idle", u"connecting", u"recording"}));
    QCOMPARE(session.server.connectionCount(), 2);
    QTRY_COMPARE(session.server.openConnectionCount(), 1);
    QVERIFY(session.service->isActive());
}

void OpenAIRealtimeVoiceServiceTest::stopWhenIdleAnnouncesIdle()
{
    RealtimeTestSession session;
    session.stop();
    QTRY_COMPARE(session.states(), statesOf({u"idle"}));
    QVERIFY(errorsIn(session.log()).isEmpty());
    QVERIFY(session.capture->calls().isEmpty());
}

void OpenAIRealtimeVoiceServiceTest::stopWhileConnectingEndsTheStartQuietly()
{
    RealtimeTestSession session;
    // No "session.created": the start waits.
    bool finished = false;
    QCoro::connect(session.service->start(false), session.service.get(),
                   [&finished] { finished = true; });
    QVERIFY(session.server.waitForConnections(1));
    session.stop();
    QTRY_VERIFY(finished);
    QTRY_COMPARE(session.states(), statesOf({u"connecting", u"idle"}));
    QTest::qWait(50);
    QCOMPARE(session.states(), statesOf({u"connecting", u"idle"}));
    QVERIFY(!session.service->isActive());
    QTRY_COMPARE(session.server.openConnectionCount(), 0);
}

void OpenAIRealtimeVoiceServiceTest::secondStartWhileConnectingTakesOver()
{
    RealtimeTestSession session;
    bool firstFinished = false;
    QCoro::connect(session.service->start(false), session.service.get(),
                   [&firstFinished] { firstFinished = true; });
    QVERIFY(session.server.waitForConnections(1));
    session.acceptSessions();
    session.start(false);
    QTRY_VERIFY(firstFinished);
    QVERIFY(session.service->isActive());
    QTRY_COMPARE(session.server.openConnectionCount(), 1);
    QTRY_COMPARE(session.sentTypes(), QStringList{u"session.update"_qs});
    QVERIFY(errorsIn(session.log()).isEmpty());
}

void OpenAIRealtimeVoiceServiceTest::connectionRefusedBeforeSessionCreated()
{
    RealtimeTestSession session;
    session.server.setOnConnect(
        ScriptedReply{.closeCode = quint16(4001), .closeReason = u"go away"_qs});
    session.start(true);
    QTRY_COMPARE(session.states(), statesOf({u"connecting", u"failed", u"idle"}));
    const QStringList errors = errorsIn(session.log());
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.constFirst().contains(u"4001"), qPrintable(errors.constFirst()));
    QVERIFY(!session.service->isActive());
    QVERIFY(!session.service->isMicrophoneActive());
}

void OpenAIRealtimeVoiceServiceTest::closedConnectionEndsTheSession()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    QTRY_COMPARE(session.states(), statesOf({u"connecting", u"recording"}));
    session.server.closeConnections(4002, u"maintenance"_qs);
    QTRY_COMPARE(session.states(), statesOf({u"connecting", u"recording", u"failed", u"idle"}));
    QCOMPARE(errorsIn(session.log()),
             QStringList{u"The Realtime connection was closed (code 4002): maintenance"_qs});
    QVERIFY(!session.service->isActive());
    QCOMPARE(session.capture->calls().mid(4), (QStringList{u"removeTap"_qs, u"stop"_qs}));
}

void OpenAIRealtimeVoiceServiceTest::idleDisconnectAfterTimeout()
{
    RealtimeTimings timings = shortRealtimeTimings();
    timings.idleDisconnect = std::chrono::milliseconds(100);
    RealtimeTestSession session(timings);
    session.acceptSessions();
    session.start(true);
    QTRY_COMPARE(session.states(), statesOf({u"connecting", u"recording", u"idle"}));
    QVERIFY(!session.service->isActive());
    QTRY_COMPARE(session.server.openConnectionCount(), 0);
    QVERIFY(errorsIn(session.log()).isEmpty());
}

void OpenAIRealtimeVoiceServiceTest::speechStartAndToolCallsDisarmIdleDisconnect()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    const QTimer* idle = session.service->findChild<QTimer*>(u"realtimeIdleDisconnect"_qs);
    QVERIFY(idle);
    QVERIFY(idle->isActive());
    session.sendEvent(u"input_audio_buffer.speech_started"_qs);
    QTRY_VERIFY(!idle->isActive());
    session.sendEvent(u"response.done"_qs);
    QTRY_VERIFY(idle->isActive());
    session.sendEvent(
        functionCallEvent(u"computer_use"_qs, u"c1"_qs, uR"({"action":"inspect_ui"})"_qs));
    QTRY_VERIFY(session.log().contains(u"result Did inspectUI."_qs));
    QVERIFY(!idle->isActive());
}

void OpenAIRealtimeVoiceServiceTest::pingTimerIsReplacedNotDuplicated()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    session.start(true);
    session.start(false);
    const QList<QTimer*> timers = session.service->findChildren<QTimer*>(u"realtimePing"_qs);
    QCOMPARE(timers.size(), 1);
    QVERIFY(timers.constFirst()->isActive());
    session.stop();
    QVERIFY(session.service->findChildren<QTimer*>(u"realtimePing"_qs).isEmpty());
}

void OpenAIRealtimeVoiceServiceTest::keyStaysOutOfLogAndMessages()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    session.sendEvent(functionCallEvent(u"computer_use"_qs, u"c1"_qs,
                                        uR"({"action":"open_app","app_name":"Mail"})"_qs));
    QTRY_VERIFY(!session.server.messagesOfType(u"response.create"_qs).isEmpty());
    session.sendEvent(functionCallEvent(u"computer_use"_qs, u"c2"_qs, u"nonsense"_qs));
    session.sendEvent(QJsonObject{{u"type"_qs, u"error"_qs},
                                  {u"error"_qs, QJsonObject{{u"message"_qs, u"Broken"_qs}}}});
    QTRY_COMPARE(session.lastState(), u"idle"_qs);

    const QString log = session.debugLog();
    QVERIFY(log.contains(u"] Received Realtime WebSocket event: session.created\n"));
    QVERIFY(log.contains(u"Tool call 'computer_use': action = open_app, args = "
                         u"{\"action\":\"open_app\",\"app_name\":\"Mail\"}\n"));
    QVERIFY(log.contains(
        u"Tool execution result: summary = \"Did openApp Mail.\", artifact body length = 0\n"));
    QVERIFY(log.contains(u"Failed to parse tool call arguments: nonsense\n"));
    QVERIFY(log.contains(u"Received Realtime API error: Broken\n"));
    const QString key = QString::fromLatin1(RealtimeTestSession::apiKey);
    QVERIFY2(!log.contains(key), "the API key reached the debug log");
    QVERIFY(!log.contains(u"Bearer"));
    for (const QString& line : session.log())
        QVERIFY2(!line.contains(key), "the API key reached a callback");
    for (const WebSocketMessage& message : session.server.messages())
        QVERIFY2(!message.text.contains(key), "the API key reached a client event");
}

void OpenAIRealtimeVoiceServiceTest::toolCallRoundTrip_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("startLine");
    QTest::addColumn<QString>("output");
    QTest::newRow("open app") << uR"({"action":"open_app","app_name":"Mail"})"_qs
                              << u"start open_app"_qs << u"Did openApp Mail."_qs;
    QTest::newRow("action passed on as received")
        << uR"({"action":" Open_App ","app_name":"Mail"})"_qs << u"start  Open_App "_qs
        << u"Did openApp Mail."_qs;
    QTest::newRow("script code reaches the start callback")
        << uR"({"action":"run_python_script","script_code":"pass"})"_qs
        << u"start run_python_script pass"_qs << u"Did script pass."_qs;
    QTest::newRow("unsupported action still answers")
        << uR"({"action":"launch"})"_qs << u"start launch"_qs
        << u"Action 'launch' is not supported."_qs;
}

void OpenAIRealtimeVoiceServiceTest::toolCallRoundTrip()
{
    QFETCH(QString, arguments);
    QFETCH(QString, startLine);
    QFETCH(QString, output);
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    QTRY_COMPARE(session.sentTypes().size(), 2);
    session.sendEvent(functionCallEvent(u"computer_use"_qs, u"call_7"_qs, arguments));
    QTRY_COMPARE(session.sentTypes().size(), 5);
    QCOMPARE(session.sentTypes().mid(2),
             (QStringList{u"conversation.item.create"_qs, u"input_audio_buffer.clear"_qs,
                          u"response.create"_qs}));
    const QJsonObject item = session.server.messages().at(2).json()->value(u"item").toObject();
    QCOMPARE(item, (QJsonObject{{u"type"_qs, u"function_call_output"_qs},
                                {u"call_id"_qs, u"call_7"_qs},
                                {u"output"_qs, output}}));
    QTRY_VERIFY(session.log().contains(u"result "_qs + output));
    const QStringList log = session.log();
    QVERIFY(log.indexOf(startLine) >= 0);
    QVERIFY(log.indexOf(startLine) < log.indexOf(u"result "_qs + output));
    QVERIFY(errorsIn(log).isEmpty());
}

void OpenAIRealtimeVoiceServiceTest::unusableToolCalls_data()
{
    QTest::addColumn<QJsonObject>("event");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("another tool") << functionCallEvent(u"web_search"_qs, u"c1"_qs,
                                                       uR"({"action":"open_app"})"_qs)
                                  << QStringList{};
    QJsonObject noCallId =
        functionCallEvent(u"computer_use"_qs, {}, uR"({"action":"inspect_ui"})"_qs);
    noCallId.remove(u"call_id"_qs);
    QTest::newRow("no call id") << noCallId << QStringList{};
    QTest::newRow("empty arguments") << functionCallEvent(u"computer_use"_qs, u"c1"_qs, u"{}"_qs)
                                     << QStringList{u"Failed to parse tool call arguments: {}"_qs};
    QTest::newRow("arguments missing")
        << functionCallEvent(u"computer_use"_qs, u"c1"_qs, std::nullopt)
        << QStringList{u"Failed to parse tool call arguments: {}"_qs};
    QTest::newRow("arguments cut short")
        << functionCallEvent(u"computer_use"_qs, u"c1"_qs, uR"({"action":)"_qs)
        << QStringList{uR"(Failed to parse tool call arguments: {"action":)"_qs};
}

void OpenAIRealtimeVoiceServiceTest::unusableToolCalls()
{
    QFETCH(QJsonObject, event);
    QFETCH(QStringList, errors);
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    session.sendEvent(event);
    settle(session);
    QCOMPARE(errorsIn(session.log()), errors);
    QCOMPARE(session.states().contains(u"failed"_qs), !errors.isEmpty());
    QVERIFY(session.server.messagesOfType(u"conversation.item.create"_qs).isEmpty());
    QVERIFY(session.tools->calls.isEmpty());
    for (const QString& line : session.log())
        QVERIFY2(!line.startsWith(u"start") && !line.startsWith(u"result"), qPrintable(line));
    // Reported, not fatal.
    QVERIFY(session.service->isActive());
}

void OpenAIRealtimeVoiceServiceTest::responseDoneOnlyWithoutToolCall()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    session.sendEvent(
        functionCallEvent(u"computer_use"_qs, u"c1"_qs, uR"({"action":"inspect_ui"})"_qs));
    session.sendEvent(u"response.done"_qs);
    settle(session, u"first"_qs);
    QVERIFY(!session.log().contains(u"done"_qs));
    session.sendEvent(u"response.created"_qs);
    session.sendEvent(u"response.done"_qs);
    QTRY_VERIFY(session.log().contains(u"done"_qs));
}

void OpenAIRealtimeVoiceServiceTest::eventsWaitForTheToolCall()
{
    RealtimeTestSession session;
    session.tools->delay = std::chrono::milliseconds(100);
    session.acceptSessions();
    session.start(true);
    session.sendEvent(
        functionCallEvent(u"computer_use"_qs, u"c1"_qs, uR"({"action":"inspect_ui"})"_qs));
    session.sendEvent(
        QJsonObject{{u"type"_qs, u"response.text.delta"_qs}, {u"delta"_qs, u"after"_qs}});
    QTRY_VERIFY(session.log().contains(u"transcript after"_qs));
    const QStringList log = session.log();
    QVERIFY(log.indexOf(u"result Did inspectUI."_qs) >= 0);
    QVERIFY(log.indexOf(u"result Did inspectUI."_qs) < log.indexOf(u"transcript after"_qs));
}

void OpenAIRealtimeVoiceServiceTest::toolCallOutlivingItsSession()
{
    RealtimeTestSession session;
    session.tools->delay = std::chrono::seconds(3);
    session.acceptSessions();
    session.start(true);
    session.sendEvent(
        functionCallEvent(u"computer_use"_qs, u"c1"_qs, uR"({"action":"inspect_ui"})"_qs));
    QTRY_COMPARE(session.tools->calls.size(), 1);
    session.stop();
    // The next session is ready while the first one's tool call still runs.
    session.start(true);
    QVERIFY(session.service->isActive());
    QVERIFY(!session.log().contains(u"result Did inspectUI."_qs));
    QTRY_VERIFY_WITH_TIMEOUT(session.log().contains(u"result Did inspectUI."_qs), 10000);
    settle(session);
    QVERIFY(session.server.messagesOfType(u"conversation.item.create"_qs).isEmpty());
    QVERIFY(session.server.messagesOfType(u"response.create"_qs).isEmpty());
    QVERIFY(errorsIn(session.log()).isEmpty());
    QVERIFY(session.service->isActive());
}

void OpenAIRealtimeVoiceServiceTest::feedbackSuppressionWindow_data()
{
    QTest::addColumn<int>("speechAfterMs");
    QTest::addColumn<bool>("responseDoneAnnounced");
    QTest::newRow("0.2 s: inside the window") << 200 << false;
    QTest::newRow("0.5 s: outside") << 500 << true;
}

void OpenAIRealtimeVoiceServiceTest::feedbackSuppressionWindow()
{
    QFETCH(int, speechAfterMs);
    QFETCH(bool, responseDoneAnnounced);
    ManualClock clock;
    RealtimeTestSession session(shortRealtimeTimings(&clock));
    session.acceptSessions();
    session.start(true);
    session.service->finishLocalFeedbackAndScheduleIdleDisconnect();
    session.sendEvent(
        functionCallEvent(u"computer_use"_qs, u"c1"_qs, uR"({"action":"inspect_ui"})"_qs));
    QTRY_VERIFY(session.log().contains(u"result Did inspectUI."_qs));
    clock.now += std::chrono::milliseconds(speechAfterMs);
    session.sendEvent(u"input_audio_buffer.speech_started"_qs);
    session.sendEvent(u"response.done"_qs);
    settle(session);
    QCOMPARE(session.log().contains(u"done"_qs), responseDoneAnnounced);
}

void OpenAIRealtimeVoiceServiceTest::transcripts()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    const auto event = [](const QString& type, const QString& member, const QString& text) {
        return QJsonObject{{u"type"_qs, type}, {member, text}};
    };
    session.sendEvent(event(u"response.output_audio_transcript.delta"_qs, u"delta"_qs, u"Hel"_qs));
    session.sendEvent(event(u"response.output_audio_transcript.delta"_qs, u"delta"_qs, u"lo"_qs));
    session.sendEvent(
        event(u"response.output_audio_transcript.delta"_qs, u"text"_qs, u"ignored"_qs));
    session.sendEvent(
        event(u"response.output_audio_transcript.done"_qs, u"transcript"_qs, u"Hello there"_qs));
    session.sendEvent(event(u"conversation.item.input_audio_transcription.completed"_qs,
                            u"transcript"_qs, u"open mail"_qs));
    session.sendEvent(event(u"response.text.delta"_qs, u"delta"_qs, u"Next"_qs));
    QTRY_VERIFY(session.log().contains(u"transcript Next"_qs));
    QStringList transcripts;
    for (const QString& line : session.log()) {
        if (line.startsWith(u"transcript "))
            transcripts.append(line.mid(11));
    }
    QCOMPARE(transcripts, (QStringList{u"Hel"_qs, u"Hello"_qs, u"Hello there"_qs, u"Next"_qs}));
    const QString log = session.debugLog();
    QVERIFY(log.contains(u"Assistant response transcript: \"Hello there\"\n"));
    QVERIFY(log.contains(u"User input transcription: \"open mail\"\n"));
}

void OpenAIRealtimeVoiceServiceTest::userTranscripts_data()
{
    QTest::addColumn<QString>("transcript");
    QTest::addColumn<bool>("stops");
    QTest::addColumn<bool>("wakes");
    QTest::newRow("all done") << u"All done."_qs << true << false;
    QTest::newRow("stop word inside") << u"please stop now"_qs << true << false;
    QTest::newRow("wake phrase is no stop") << u"hey korva open mail"_qs << false << true;
    QTest::newRow("stopping is no stop") << u"stopping by"_qs << false << false;
}

void OpenAIRealtimeVoiceServiceTest::userTranscripts()
{
    QFETCH(QString, transcript);
    QFETCH(bool, stops);
    QFETCH(bool, wakes);
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    QTRY_COMPARE(session.sentTypes().size(), 2);
    session.sendEvent(
        QJsonObject{{u"type"_qs, u"conversation.item.input_audio_transcription.completed"_qs},
                    {u"transcript"_qs, transcript}});
    if (stops) {
        QTRY_COMPARE(session.lastState(), u"idle"_qs);
        QVERIFY(!session.service->isActive());
        // The server reads on its own thread: the last message may arrive after the state.
        QTRY_COMPARE(session.sentTypes().size(), 3);
        QCOMPARE(session.sentTypes().constLast(), u"input_audio_buffer.clear"_qs);
        QTRY_COMPARE(session.server.openConnectionCount(), 0);
    } else {
        settle(session);
        QVERIFY(session.service->isActive());
        QCOMPARE(session.sentTypes().size(), 2);
    }
    QCOMPARE(session.log().contains(u"wake"_qs), wakes);
}

void OpenAIRealtimeVoiceServiceTest::serverErrors_data()
{
    QTest::addColumn<QJsonObject>("event");
    QTest::addColumn<QString>("reported");
    const auto withMessage = [](const QString& message) {
        return QJsonObject{{u"type"_qs, u"error"_qs},
                           {u"error"_qs, QJsonObject{{u"message"_qs, message}}}};
    };
    QTest::newRow("active response, tolerated")
        << withMessage(u"Conversation already has an active response in progress"_qs) << QString();
    QTest::newRow("no active response, any case")
        << withMessage(u"Cancellation failed: No Active Response Found"_qs) << QString();
    QTest::newRow("other message") << withMessage(u"Invalid session"_qs) << u"Invalid session"_qs;
    QTest::newRow("no error object")
        << QJsonObject{{u"type"_qs, u"error"_qs}} << u"Realtime API error."_qs;
}

void OpenAIRealtimeVoiceServiceTest::serverErrors()
{
    QFETCH(QJsonObject, event);
    QFETCH(QString, reported);
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    QTRY_COMPARE(session.states(), statesOf({u"connecting", u"recording"}));
    session.sendEvent(event);
    if (reported.isEmpty()) {
        settle(session);
        QVERIFY(session.service->isActive());
        QCOMPARE(session.states(), statesOf({u"connecting", u"recording"}));
        QVERIFY(errorsIn(session.log()).isEmpty());
    } else {
        QTRY_COMPARE(session.states(), statesOf({u"connecting", u"recording", u"failed", u"idle"}));
        QCOMPARE(errorsIn(session.log()), QStringList{reported});
        QVERIFY(!session.service->isActive());
    }
    QVERIFY(session.debugLog().contains(u"Received Realtime API error: "));
}

QTEST_GUILESS_MAIN(OpenAIRealtimeVoiceServiceTest)
#include "tst_openairealtimevoiceservice.moc"
