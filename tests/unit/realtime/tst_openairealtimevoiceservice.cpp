// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealtimeTestSession.h"
#include "realtime/RealtimeClientEvents.h"

#include <QDir>
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

// What the client sent, one short word each: "configure vad|held|text" for a full session
// update, "turns vad|held" for one that only switches turn detection, "truncate MS", the
// event type without its "input_audio_buffer." prefix otherwise; a run of appends reads
// "append ×N".
QStringList conversationOf(const RealtimeTestSession& session)
{
    QStringList words;
    int appends = 0;
    const auto flushAppends = [&] {
        if (appends > 0)
            words.append(u"append ×"_qs + QString::number(appends));
        appends = 0;
    };
    for (const WebSocketMessage& message : session.server.messages()) {
        const QJsonObject event = message.json().value_or(QJsonObject());
        const QString type = event.value(u"type").toString();
        if (type == u"input_audio_buffer.append") {
            ++appends;
            continue;
        }
        flushAppends();
        const QJsonObject update = event.value(u"session").toObject();
        const QJsonValue turns =
            update.value(u"audio").toObject().value(u"input").toObject().value(u"turn_detection");
        const QString turnWord = turns.isNull() ? u"held"_qs : u"vad"_qs;
        if (type == u"session.update" && update.contains(u"instructions"))
            words.append(u"configure "_qs + (update.contains(u"audio") ? turnWord : u"text"_qs));
        else if (type == u"session.update")
            words.append(u"turns "_qs + turnWord);
        else if (type == u"conversation.item.truncate")
            words.append(u"truncate "_qs + QString::number(event.value(u"audio_end_ms").toInt()));
        else
            words.append(QString(type).remove(u"input_audio_buffer."_qs));
    }
    flushAppends();
    return words;
}

} // namespace

class OpenAIRealtimeVoiceServiceTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sessionUpdateCarriesAudioOnlyForVoice_data();
    void sessionUpdateCarriesAudioOnlyForVoice();
    void withoutKeyFailsOnce();
    void restartStopsFirst();
    void stopWhileConnectingEndsTheStartQuietly();
    void secondStartWhileConnectingTakesOver();
    void startFaults_data();
    void startFaults();
    void connectionFaultsMidAnswer_data();
    void connectionFaultsMidAnswer();
    void idleDisconnectAfterTimeout();
    void speechStartAndToolCallsDisarmIdleDisconnect();
    void keyStaysOutOfLogAndMessages();
    void toolCallRoundTrip_data();
    void toolCallRoundTrip();
    void unusableToolCalls_data();
    void unusableToolCalls();
    void responseDoneOnlyWithoutToolCall();
    void longToolCallEndsWithTheSession_data();
    void longToolCallEndsWithTheSession();
    void toolCallOutlivingItsSession();
    void floodOfEvents_data();
    void floodOfEvents();
    void heldTurns_data();
    void heldTurns();
    void feedbackSuppressionWindow_data();
    void feedbackSuppressionWindow();
    void transcripts();
    void userTranscripts_data();
    void userTranscripts();
    void serverErrors_data();
    void serverErrors();
};

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
    session.settle();
    QCOMPARE(session.states(), states);
    QCOMPARE(session.capture->calls(), captureCalls);
    QCOMPARE(session.service->isMicrophoneActive(), isVoice);
    const QJsonObject update = *session.server.messages().constFirst().json();
    QCOMPARE(update.value(u"session").toObject().contains(u"audio"), isVoice);
    QCOMPARE(update.value(u"session").toObject().value(u"instructions").toString(),
             RealtimeClientEvents::instructions(QDir::homePath()));

    const std::optional<test::WebSocketHandshake> handshake = session.server.lastHandshake();
    QVERIFY(handshake);
    QCOMPARE(handshake->path, u"/v1/realtime"_qs);
    QCOMPARE(handshake->query, u"model=gpt-realtime-2.1"_qs);
    QCOMPARE(handshake->header("Authorization"), "Bearer " + RealtimeTestSession::apiKey);
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

void OpenAIRealtimeVoiceServiceTest::startFaults_data()
{
    QTest::addColumn<bool>("answers");
    QTest::addColumn<QString>("error");
    QTest::newRow("refused with a close")
        << true << u"The Realtime connection was closed (code 4001): go away"_qs;
    QTest::newRow("silent server")
        << false << u"The Realtime service did not confirm the session within 0.3 seconds."_qs;
}

void OpenAIRealtimeVoiceServiceTest::startFaults()
{
    QFETCH(bool, answers);
    QFETCH(QString, error);
    RealtimeTimings timings = shortRealtimeTimings();
    timings.sessionCreatedTimeout = std::chrono::milliseconds(300);
    RealtimeTestSession session(timings);
    if (answers)
        session.server.setOnConnect(
            ScriptedReply{.closeCode = quint16(4001), .closeReason = u"go away"_qs});
    session.start(true);
    QTRY_COMPARE(session.states(), statesOf({u"connecting", u"failed", u"idle"}));
    QCOMPARE(errorsIn(session.log()), QStringList{error});
    QVERIFY(!session.service->isActive());
    QVERIFY(!session.service->isConnecting());
    QVERIFY(!session.service->isMicrophoneActive());
    QTRY_COMPARE(session.server.openConnectionCount(), 0);
}

void OpenAIRealtimeVoiceServiceTest::connectionFaultsMidAnswer_data()
{
    QTest::addColumn<bool>("freeze");
    QTest::addColumn<QString>("error");
    QTest::newRow("server closes")
        << false << u"The Realtime connection was closed (code 4002): maintenance"_qs;
    QTest::newRow("connection stops answering")
        << true
        << u"The Realtime connection stopped answering: nothing arrived for 0.4 seconds."_qs;
}

void OpenAIRealtimeVoiceServiceTest::connectionFaultsMidAnswer()
{
    QFETCH(bool, freeze);
    QFETCH(QString, error);
    RealtimeTimings timings = shortRealtimeTimings();
    timings.pingInterval = std::chrono::milliseconds(100);
    timings.pongTimeout = std::chrono::milliseconds(400);
    RealtimeTestSession session(timings);
    session.acceptSessions();
    session.start(true);
    session.sendEvent(
        QJsonObject{{u"type"_qs, u"response.output_audio.delta"_qs},
                    {u"delta"_qs, QString::fromLatin1(QByteArray(960, '\1').toBase64())}});
    QTRY_COMPARE(session.states(), statesOf({u"connecting", u"recording", u"speaking"}));
    // Pings come and go while the server answers them.
    QTest::qWait(600);
    QCOMPARE(session.states(), statesOf({u"connecting", u"recording", u"speaking"}));
    if (freeze)
        session.server.freeze();
    else
        session.server.closeConnections(4002, u"maintenance"_qs);
    QTRY_COMPARE(session.states(),
                 statesOf({u"connecting", u"recording", u"speaking", u"failed", u"idle"}));
    QCOMPARE(errorsIn(session.log()), QStringList{error});
    QVERIFY(!session.service->isActive());
    QCOMPARE(session.capture->calls().mid(4), (QStringList{u"removeTap"_qs, u"stop"_qs}));
    // The answer stops with the session.
    QCOMPARE(session.playback->scheduled(), QList<QByteArray>{});
    QCOMPARE(session.playback->calls().constLast(), u"stopEngine"_qs);
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

void OpenAIRealtimeVoiceServiceTest::keyStaysOutOfLogAndMessages()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    session.sendEvent(functionCallEvent(u"computer_use"_qs, u"c1"_qs,
                                        uR"({"action":"open_app","app_name":"Mail"})"_qs));
    QTRY_VERIFY(!session.server.messagesOfType(u"response.create"_qs).isEmpty());
    session.sendEvent(functionCallEvent(u"computer_use"_qs, u"c2"_qs, u"nonsense"_qs));
    QTRY_COMPARE(session.lastState(), u"idle"_qs);
    session.start(true);
    session.sendEvent(QJsonObject{{u"type"_qs, u"error"_qs},
                                  {u"error"_qs, QJsonObject{{u"message"_qs, u"Broken"_qs}}}});
    QTRY_COMPARE(errorsIn(session.log()).size(), 2);

    // The log holds what happened, and never the key.
    const QString log = session.debugLog();
    QVERIFY(log.contains(u"Tool call 'computer_use': action = open_app"));
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
    QTest::newRow("script code reaches the start callback")
        << uR"({"action":"run_python_script","script_code":"pass"})"_qs
        << u"start run_python_script pass"_qs << u"Did script pass."_qs;
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
    if (errors.isEmpty()) {
        session.settle();
        QVERIFY(session.service->isActive());
    } else {
        // A failure ends the session: the microphone closes with it.
        QTRY_COMPARE(session.states(), statesOf({u"connecting", u"recording", u"failed", u"idle"}));
        QVERIFY(!session.service->isMicrophoneActive());
    }
    QCOMPARE(errorsIn(session.log()), errors);
    QVERIFY(session.server.messagesOfType(u"conversation.item.create"_qs).isEmpty());
    QVERIFY(session.tools->calls.isEmpty());
    for (const QString& line : session.log())
        QVERIFY2(!line.startsWith(u"start") && !line.startsWith(u"result"), qPrintable(line));
}

void OpenAIRealtimeVoiceServiceTest::responseDoneOnlyWithoutToolCall()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    session.sendEvent(
        functionCallEvent(u"computer_use"_qs, u"c1"_qs, uR"({"action":"inspect_ui"})"_qs));
    session.sendEvent(u"response.done"_qs);
    session.settle();
    QVERIFY(!session.log().contains(u"done"_qs));
    session.sendEvent(u"response.created"_qs);
    session.sendEvent(u"response.done"_qs);
    QTRY_VERIFY(session.log().contains(u"done"_qs));
}

void OpenAIRealtimeVoiceServiceTest::longToolCallEndsWithTheSession_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("microphone button") << u"button"_qs << QStringList{};
    QTest::newRow("closed socket")
        << u"close"_qs
        << QStringList{u"The Realtime connection was closed (code 1011): "
                       u"crash"_qs};
}

void OpenAIRealtimeVoiceServiceTest::longToolCallEndsWithTheSession()
{
    QFETCH(QString, ending);
    QFETCH(QStringList, errors);
    RealtimeTestSession session;
    session.tools->delay = std::chrono::milliseconds(1000);
    session.acceptSessions();
    session.start(true);
    session.sendEvent(
        functionCallEvent(u"computer_use"_qs, u"c1"_qs, uR"({"action":"inspect_ui"})"_qs));
    session.sendEvent(functionCallEvent(u"computer_use"_qs, u"c2"_qs,
                                        uR"({"action":"open_app","app_name":"Mail"})"_qs));
    // Events keep coming in while the first call runs.
    session.settle();
    QCOMPARE(session.tools->calls, QStringList{u"inspectUI"_qs});

    if (ending == u"button")
        session.stop();
    else
        session.server.closeConnections(1011, u"crash"_qs);
    QTRY_COMPARE(session.lastState(), u"idle"_qs);
    QVERIFY(!session.service->isMicrophoneActive());
    QVERIFY(!session.log().contains(u"result Did inspectUI."_qs));
    QCOMPARE(errorsIn(session.log()), errors);

    // The call finishes on its own: its result is shown, its output goes nowhere, and the call
    // queued behind it never runs.
    QTRY_VERIFY_WITH_TIMEOUT(session.log().contains(u"result Did inspectUI."_qs), 5000);
    QTest::qWait(50);
    QCOMPARE(session.tools->calls, QStringList{u"inspectUI"_qs});
    QVERIFY(session.server.messagesOfType(u"conversation.item.create"_qs).isEmpty());
}

void OpenAIRealtimeVoiceServiceTest::toolCallOutlivingItsSession()
{
    RealtimeTestSession session;
    session.tools->delay = std::chrono::milliseconds(1500);
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
    session.settle();
    QVERIFY(session.server.messagesOfType(u"conversation.item.create"_qs).isEmpty());
    QVERIFY(session.server.messagesOfType(u"response.create"_qs).isEmpty());
    QVERIFY(errorsIn(session.log()).isEmpty());
    QVERIFY(session.service->isActive());
}

void OpenAIRealtimeVoiceServiceTest::floodOfEvents_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("survives");
    QTest::newRow("handled a slice at a time") << 10000 << true;
    QTest::newRow("beyond the queue's bound") << 50 << false;
}

void OpenAIRealtimeVoiceServiceTest::floodOfEvents()
{
    QFETCH(int, limit);
    QFETCH(bool, survives);
    RealtimeTimings timings = shortRealtimeTimings();
    timings.incomingLimit = limit;
    RealtimeTestSession session(timings);
    session.acceptSessions();
    session.start(true);
    const int count = 3000;
    for (int i = 0; i < count; ++i)
        session.sendEvent(
            QJsonObject{{u"type"_qs, u"response.output_text.delta"_qs}, {u"delta"_qs, u"x"_qs}});
    if (!survives) {
        QTRY_COMPARE(session.lastState(), u"idle"_qs);
        QCOMPARE(errorsIn(session.log()),
                 QStringList{u"The Realtime service sent more events than could be handled."_qs});
        return;
    }
    const QString whole = u"transcript "_qs + QString(count, u'x');
    QTRY_VERIFY(session.log().contains(whole));
    // The window is told the latest text once per burst, not once per delta.
    const qsizetype updates =
        std::count_if(session.log().cbegin(), session.log().cend(),
                      [](const QString& line) { return line.startsWith(u"transcript "); });
    QVERIFY2(updates < count / 10, qPrintable(QString::number(updates)));
    QVERIFY(session.service->isActive());
}

void OpenAIRealtimeVoiceServiceTest::heldTurns_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("a press starts a session that listens while the key is held")
        << QStringList{u"press"_qs, u"speak 3"_qs, u"ready"_qs, u"speak 1"_qs, u"release"_qs}
        << QStringList{u"configure held"_qs, u"clear"_qs, u"append ×4"_qs, u"commit"_qs,
                       u"response.create"_qs};
    QTest::newRow("released before the session is ready")
        << QStringList{u"press"_qs, u"speak 3"_qs, u"release"_qs, u"ready"_qs}
        << QStringList{u"configure held"_qs, u"clear"_qs, u"append ×3"_qs, u"commit"_qs,
                       u"response.create"_qs};
    QTest::newRow("a tap too short to answer")
        << QStringList{u"press"_qs, u"ready"_qs, u"release"_qs, u"speak 2"_qs}
        << QStringList{u"configure held"_qs, u"clear"_qs, u"clear"_qs};
    QTest::newRow("inside a listening session detection is off for the turn")
        << QStringList{u"listen"_qs, u"press"_qs, u"speak 2"_qs, u"release"_qs}
        << QStringList{u"configure vad"_qs, u"clear"_qs,  u"turns held"_qs,      u"clear"_qs,
                       u"append ×2"_qs,     u"commit"_qs, u"response.create"_qs, u"turns vad"_qs};
    QTest::newRow("a press during an answer interrupts it")
        << QStringList{u"listen"_qs, u"answer"_qs, u"press"_qs, u"speak 2"_qs, u"release"_qs}
        << QStringList{u"configure vad"_qs, u"clear"_qs,           u"truncate 40"_qs,
                       u"turns held"_qs,    u"clear"_qs,           u"append ×2"_qs,
                       u"commit"_qs,        u"response.create"_qs, u"turns vad"_qs};
}

void OpenAIRealtimeVoiceServiceTest::heldTurns()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, sent);
    RealtimeTestSession session;
    session.acceptSessions();
    for (const QString& step : std::as_const(steps)) {
        if (step == u"listen") {
            session.start(true);
        } else if (step == u"press") {
            session.service->beginHeldTurn();
        } else if (step == u"release") {
            session.service->endHeldTurn();
        } else if (step == u"ready") {
            QTRY_VERIFY(session.service->isActive());
        } else if (step == u"answer") {
            // 100 ms of an answer, 40 ms of it heard.
            session.sendEvent(
                QJsonObject{{u"type"_qs, u"response.output_audio.delta"_qs},
                            {u"item_id"_qs, u"item_1"_qs},
                            {u"content_index"_qs, 0},
                            {u"delta"_qs, QString::fromLatin1(QByteArray(4800, '\1').toBase64())}});
            QTRY_VERIFY(session.service->isSpeaking());
            session.playback->playOut(std::chrono::milliseconds(40));
        } else if (step.startsWith(u"speak ")) {
            for (int i = 0; i < step.mid(6).toInt(); ++i)
                session.capture->push(session.capture->makeBuffer(2048, 's'));
            QTest::qWait(20);
        }
    }
    QTRY_COMPARE(conversationOf(session), sent);
    session.settle();
    QCOMPARE(conversationOf(session), sent);
    QVERIFY(!session.service->isSpeaking());
    QVERIFY(errorsIn(session.log()).isEmpty());
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
    session.settle();
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
    session.sendEvent(event(u"response.output_text.delta"_qs, u"delta"_qs, u"Ne"_qs));
    session.sendEvent(event(u"response.text.delta"_qs, u"delta"_qs, u"xt"_qs));
    session.sendEvent(event(u"response.output_text.done"_qs, u"text"_qs, u"Next one"_qs));
    QTRY_VERIFY(session.log().contains(u"transcript Next one"_qs));
    QStringList transcripts;
    for (const QString& line : session.log()) {
        if (line.startsWith(u"transcript "))
            transcripts.append(line.mid(11));
    }
    // Each update reaches the window at least as its latest text.
    QCOMPARE(transcripts.constLast(), u"Next one"_qs);
    QVERIFY(transcripts.contains(u"Hello there"_qs));
    QVERIFY(!transcripts.contains(u"ignored"_qs));
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
    QTest::newRow("wake phrase is no stop") << u"hey korva open mail"_qs << false << true;
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
        session.settle();
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
        session.settle();
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
