// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealtimeTestSession.h"

#include <QTest>

using namespace korvane;
using korvane::test::ScriptedReply;
using korvane::test::WebSocketMessage;

namespace {

const QString inspectUI = QStringLiteral(R"({"action":"inspect_ui"})");
const QString openMail = QStringLiteral(R"({"action":"open_app","app_name":"Mail"})");

QJsonObject answerAudio(int bytes)
{
    return QJsonObject{{u"type"_qs, u"response.output_audio.delta"_qs},
                       {u"item_id"_qs, u"item_1"_qs},
                       {u"content_index"_qs, 0},
                       {u"delta"_qs, QString::fromLatin1(QByteArray(bytes, '\1').toBase64())}};
}

QJsonObject toolCall(QStringView kind)
{
    if (kind == u"cut short")
        return functionCallEvent(u"c1"_qs, uR"({"action":)"_qs);
    if (kind == u"of another tool")
        return functionCallEvent(u"c1"_qs, openMail, u"web_search"_qs);
    return functionCallEvent(u"c1"_qs, kind == u"open mail" ? openMail : inspectUI);
}

// Plays `steps`, separated by commas: "listen" and "text" start a voice or text-only session,
// "press" and "release" the talk key, "ready" waits for the session, "speak N" pushes N
// microphone buffers, "answer" sends 100 ms of answer audio and plays 40 ms of it, "wait" lets
// 0.6 s pass, "hear TEXT" sends the person's transcript, "error TEXT" a server error, "tool KIND"
// a tool call from toolCall(), "freeze" stops the server answering; "no key", "refuse",
// "silence", "deny", "no speaker", "no converter", "busy" and "no output" break what the next
// start needs. "echo" cancels echo on both devices, "no barge-in" turns talking over an answer
// off, "voice on" and "voice off" switch voice. Any other step is the type of an event to send.
void play(RealtimeTestSession& session, const QString& steps)
{
    for (const QString& step : steps.split(u", "_qs)) {
        const QString rest = step.section(u' ', 1);
        if (step == u"listen" || step == u"text") {
            session.start(step == u"listen");
        } else if (step == u"press") {
            session.service->beginHeldTurn();
        } else if (step == u"release") {
            session.service->endHeldTurn();
        } else if (step == u"ready") {
            QTRY_VERIFY(session.service->isActive());
        } else if (step.startsWith(u"speak ")) {
            for (int i = 0; i < rest.toInt(); ++i)
                session.capture->push(session.capture->makeBuffer(2048, 's'));
            QTest::qWait(20);
        } else if (step == u"answer") {
            session.sendEvent(answerAudio(4800));
            QTRY_VERIFY(session.service->isSpeaking());
            session.playback->playOut(std::chrono::milliseconds(40));
        } else if (step == u"wait") {
            QTest::qWait(600);
        } else if (step.startsWith(u"hear ")) {
            session.sendEvent(QJsonObject{
                {u"type"_qs, u"conversation.item.input_audio_transcription.completed"_qs},
                {u"transcript"_qs, rest}});
        } else if (step.startsWith(u"error ")) {
            session.sendEvent(QJsonObject{{u"type"_qs, u"error"_qs},
                                          {u"error"_qs, QJsonObject{{u"message"_qs, rest}}}});
        } else if (step.startsWith(u"tool ")) {
            session.sendEvent(toolCall(rest));
        } else if (step == u"freeze") {
            session.server.freeze();
        } else if (step == u"no key") {
            qputenv("OPENAI_API_KEY", "");
        } else if (step == u"refuse") {
            session.server.setOnConnect(
                ScriptedReply{.closeCode = quint16(4001), .closeReason = u"go away"_qs});
        } else if (step == u"silence") {
            session.server.setOnConnect({});
        } else if (step == u"deny") {
            session.capture->setAccessGranted(false);
        } else if (step == u"no speaker") {
            session.playback->startEngineError = u"No speaker."_qs;
        } else if (step == u"no converter") {
            session.converters.available = false;
        } else if (step == u"busy") {
            session.capture->setStartError(u"Device busy."_qs);
        } else if (step == u"no output") {
            session.playback->configureError = u"No output device."_qs;
        } else if (step == u"echo") {
            session.capture->setEchoCancelled(true);
            session.playback->setEchoCancelled(true);
        } else if (step == u"no barge-in") {
            session.service->setBargeInPreference([] { return false; });
        } else if (step == u"voice on" || step == u"voice off") {
            session.setVoiceMode(step == u"voice on");
        } else {
            session.sendEvent(step);
        }
    }
}

// What the service told the window, but its states and transcripts.
QString signalsOf(const RealtimeTestSession& session)
{
    QStringList lines = session.log();
    lines.removeIf([](const QString& line) {
        return line.startsWith(u"state ") || line.startsWith(u"transcript ");
    });
    return lines.join(u", "_qs);
}

} // namespace

class OpenAIRealtimeVoiceServiceTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scriptedSessions_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("states");
        QTest::addColumn<QString>("conversation");
        QTest::addColumn<QString>("reported");
        QTest::newRow("a restart stops first")
            << u"listen, listen"_qs << u"connecting recording idle connecting recording"_qs
            << u"configure vad, clear, configure vad, clear"_qs << QString();

        QTest::newRow("tool call")
            << u"listen, tool open mail"_qs << u"connecting recording"_qs
            << u"configure vad, clear, output c1 Did openApp Mail., clear, response.create"_qs
            << u"start open_app, result Did openApp Mail."_qs;
        QTest::newRow("call of another tool")
            << u"listen, tool of another tool"_qs << u"connecting recording"_qs
            << u"configure vad, clear"_qs << QString();
        QTest::newRow("arguments cut short end the session")
            << u"listen, tool cut short"_qs << u"connecting recording failed idle"_qs
            << u"configure vad, clear"_qs
            << u"error Failed to parse tool call arguments: {\"action\":"_qs;
        // The answer that called a tool goes on after the output.
        QTest::newRow("response done of the next answer")
            << u"listen, tool inspect, response.done, response.created, response.done"_qs
            << u"connecting recording recording recording"_qs
            << u"configure vad, clear, output c1 Did inspectUI., clear, response.create, clear, "
               u"clear"_qs
            << u"start inspect_ui, result Did inspectUI., done"_qs;

        QTest::newRow("stop phrase")
            << u"listen, hear All done."_qs << u"connecting recording idle"_qs
            << u"configure vad, clear, clear"_qs << QString();
        QTest::newRow("wake phrase is no stop")
            << u"listen, hear hey korva open mail"_qs << u"connecting recording"_qs
            << u"configure vad, clear"_qs << u"wake"_qs;
        QTest::newRow("server error: active response, tolerated")
            << u"listen, error Conversation already has an active response in progress"_qs
            << u"connecting recording"_qs << u"configure vad, clear"_qs << QString();
        QTest::newRow("server error ends the session")
            << u"listen, error Invalid session"_qs << u"connecting recording failed idle"_qs
            << u"configure vad, clear"_qs << u"error Invalid session"_qs;

        QTest::newRow("a press starts a session that listens while the key is held")
            << u"press, speak 3, ready, speak 1, release"_qs << u"connecting recording"_qs
            << u"configure held, clear, append ×4, commit, response.create"_qs << QString();
        QTest::newRow("released before the session is ready")
            << u"press, speak 3, release, ready"_qs << u"connecting recording"_qs
            << u"configure held, clear, append ×3, commit, response.create"_qs << QString();
        QTest::newRow("a tap too short to answer")
            << u"press, ready, release, speak 2"_qs << u"connecting recording"_qs
            << u"configure held, clear, clear"_qs << QString();
        QTest::newRow("inside a listening session detection is off for the turn")
            << u"listen, press, speak 2, release"_qs << u"connecting recording"_qs
            << u"configure vad, clear, turns held, clear, append ×2, commit, response.create, "
               u"turns vad"_qs
            << QString();
        QTest::newRow("a press during an answer interrupts it")
            << u"listen, answer, press, speak 2, release"_qs
            << u"connecting recording speaking recording"_qs
            << u"configure vad, clear, truncate 40, turns held, clear, append ×2, commit, "
               u"response.create, turns vad"_qs
            << QString();

        // Starts that fail are told once, and leave nothing open.
        QTest::newRow("no key") << u"no key, listen"_qs << u"connecting failed"_qs << QString()
                                << u"error OpenAI is not configured. Add OPENAI_API_KEY to "
                                   u".env.local."_qs;
        QTest::newRow("refused with a close")
            << u"refuse, listen"_qs << u"connecting failed idle"_qs << QString()
            << u"error The Realtime connection was closed (code 4001): go away"_qs;
        QTest::newRow("silent server")
            << u"silence, listen"_qs << u"connecting failed idle"_qs << QString()
            << u"error The Realtime service did not confirm the session within 1.5 seconds."_qs;
        QTest::newRow("microphone denied")
            << u"deny, listen"_qs << u"connecting failed idle"_qs << QString()
            << u"error Microphone access was denied. Enable it in "
               u"System Settings to test Realtime voice."_qs;
        QTest::newRow("no speaker") << u"no speaker, listen"_qs << u"connecting failed idle"_qs
                                    << QString() << u"error No speaker."_qs;
        QTest::newRow("no converter") << u"no converter, listen"_qs << u"connecting failed idle"_qs
                                      << u"configure vad, clear"_qs
                                      << u"error Could not prepare microphone audio conversion."_qs;
        QTest::newRow("microphone busy") << u"busy, listen"_qs << u"connecting failed idle"_qs
                                         << u"configure vad, clear"_qs << u"error Device busy."_qs;
        // The answer stops with the session.
        QTest::newRow("connection stops answering mid-answer")
            << u"listen, answer, wait, freeze"_qs << u"connecting recording speaking failed idle"_qs
            << u"configure vad, clear"_qs
            << u"error The Realtime connection stopped answering: nothing arrived for 1.5 "
               u"seconds."_qs;
        // Talking over an answer needs echo cancelled both ways and the person's consent;
        // otherwise the microphone is held back until the answer has played out.
        QTest::newRow("speech interrupts the answer")
            << u"echo, listen, answer, speak 1, input_audio_buffer.speech_started"_qs
            << u"connecting recording speaking recording"_qs
            << u"configure vad, clear, append ×1, truncate 40"_qs << QString();
        QTest::newRow("interrupting turned off")
            << u"echo, no barge-in, listen, answer, speak 1, input_audio_buffer.speech_started"_qs
            << u"connecting recording speaking"_qs << u"configure vad, clear"_qs << QString();
        // Only the newest tap streams.
        QTest::newRow("voice on again replaces the tap")
            << u"listen, voice on, speak 1"_qs << u"connecting recording recording"_qs
            << u"configure vad, clear, configure vad, append ×1"_qs << QString();
        QTest::newRow("voice off without a microphone")
            << u"text, voice off"_qs << u"connecting idle"_qs
            << u"configure text, configure text"_qs << QString();
        QTest::newRow("voice on fails without a speaker")
            << u"text, no output, voice on"_qs << u"connecting failed idle"_qs
            << u"configure text"_qs << u"error No output device."_qs;
    }

    void scriptedSessions()
    {
        QFETCH(QString, steps);
        QFETCH(QString, states);
        QFETCH(QString, conversation);
        QFETCH(QString, reported);
        RealtimeTimings timings = shortRealtimeTimings();
        timings.sessionCreatedTimeout = std::chrono::milliseconds(1500);
        timings.pingInterval = std::chrono::milliseconds(100);
        timings.pongTimeout = std::chrono::milliseconds(1500);
        RealtimeTestSession session(timings);
        play(session, steps);
        QTRY_COMPARE(session.states(), states);
        QTRY_COMPARE(session.conversation(), conversation);
        if (session.service->isActive())
            session.settle();
        else
            QTest::qWait(50);
        QCOMPARE(session.states(), states);
        QCOMPARE(session.conversation(), conversation);
        QCOMPARE(signalsOf(session), reported);
        const bool speaking = states.endsWith(u"speaking");
        QCOMPARE(session.service->isMicrophoneActive(), speaking || states.endsWith(u"recording"));
        QCOMPARE(session.playback->scheduled().isEmpty(), !speaking);
        if (session.service->isActive()) {
            QCOMPARE(session.service->isSpeaking(), speaking);
        } else {
            // An ended or failed session holds neither microphone nor speaker.
            QVERIFY(!session.capture->isRunning());
            QVERIFY(!session.playback->isEngineRunning());
            QVERIFY(!session.service->isSpeaking());
        }
        // The server reads on its own thread: a close may arrive after the state. A frozen server
        // never sees it.
        if (!steps.contains(u"freeze"))
            QTRY_COMPARE(session.server.openConnectionCount(), session.service->isActive() ? 1 : 0);
    }

    void whileConnecting_data()
    {
        QTest::addColumn<bool>("stops");
        QTest::addColumn<QString>("states");
        QTest::addColumn<QString>("conversation");
        QTest::newRow("stop ends the start quietly") << true << u"connecting idle"_qs << QString();
        QTest::newRow("a second start takes over")
            << false << u"connecting connecting"_qs << u"configure text"_qs;
    }

    void whileConnecting()
    {
        QFETCH(bool, stops);
        QFETCH(QString, states);
        QFETCH(QString, conversation);
        RealtimeTestSession session;
        // No "session.created" yet: the first start waits.
        session.server.setOnConnect({});
        bool firstFinished = false;
        QCoro::connect(session.service->start(false), session.service.get(),
                       [&firstFinished] { firstFinished = true; });
        QVERIFY(session.server.waitForConnections(1));
        if (stops) {
            session.stop();
        } else {
            session.acceptSessions();
            session.start(false);
        }
        QTRY_VERIFY(firstFinished);
        QTRY_COMPARE(session.server.openConnectionCount(), stops ? 0 : 1);
        QTRY_COMPARE(session.conversation(), conversation);
        QTest::qWait(50);
        QCOMPARE(session.states(), states);
        QCOMPARE(session.service->isActive(), !stops);
        QVERIFY(session.errors().isEmpty());
    }

    void idleDisconnect_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("disconnects");
        QTest::newRow("nothing happens") << u"listen"_qs << true;
        QTest::newRow("speech started") << u"listen, input_audio_buffer.speech_started"_qs << false;
        QTest::newRow("tool call") << u"listen, tool inspect"_qs << false;
    }

    void idleDisconnect()
    {
        QFETCH(QString, steps);
        QFETCH(bool, disconnects);
        RealtimeTimings timings = shortRealtimeTimings();
        timings.idleDisconnect = std::chrono::milliseconds(300);
        RealtimeTestSession session(timings);
        play(session, steps);
        session.settle();
        QTest::qWait(600);
        QCOMPARE(session.lastState(), disconnects ? u"idle"_qs : u"recording"_qs);
        QTRY_COMPARE(session.server.openConnectionCount(), disconnects ? 0 : 1);
        QVERIFY(session.errors().isEmpty());
    }

    void keyGoesOnlyIntoTheHandshake()
    {
        RealtimeTestSession session;
        session.start(true);
        const std::optional<test::WebSocketHandshake> handshake = session.server.lastHandshake();
        QVERIFY(handshake);
        QCOMPARE(handshake->path, u"/v1/realtime"_qs);
        QCOMPARE(handshake->query, u"model=gpt-realtime-2.1"_qs);
        QCOMPARE(handshake->header("Authorization"), "Bearer " + RealtimeTestSession::apiKey);
        play(session, u"tool open mail, tool cut short"_qs);
        QTRY_COMPARE(session.lastState(), u"idle"_qs);
        play(session, u"listen, error Broken"_qs);
        QTRY_COMPARE(session.errors().size(), 2);

        const QString log = session.debugLog();
        QVERIFY(log.contains(u"Tool call 'computer_use': action = open_app"));
        const QString key = QString::fromLatin1(RealtimeTestSession::apiKey);
        QVERIFY2(!log.contains(key), "the API key reached the debug log");
        QVERIFY(!log.contains(u"Bearer"));
        for (const QString& line : session.log())
            QVERIFY2(!line.contains(key), "the API key reached a signal");
        for (const WebSocketMessage& message : session.server.messages())
            QVERIFY2(!message.text.contains(key), "the API key reached a client event");
    }

    void toolCallOutlivingItsSession_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("microphone button") << u"stop"_qs << QStringList{};
        QTest::newRow("closed socket")
            << u"close"_qs
            << QStringList{u"The Realtime connection was closed (code 1011): crash"_qs};
        QTest::newRow("the next session is ready first") << u"restart"_qs << QStringList{};
    }

    void toolCallOutlivingItsSession()
    {
        QFETCH(QString, ending);
        QFETCH(QStringList, errors);
        RealtimeTestSession session;
        session.tools->delay = std::chrono::milliseconds(1500);
        play(session, u"listen, tool inspect, tool open mail"_qs);
        // Events keep coming in while the first call runs.
        session.settle();
        QCOMPARE(session.tools->calls, QStringList{u"inspectUI"_qs});

        if (ending == u"close")
            session.server.closeConnections(1011, u"crash"_qs);
        else
            session.stop();
        QTRY_COMPARE(session.lastState(), u"idle"_qs);
        if (ending == u"restart")
            session.start(true);
        QVERIFY(!session.log().contains(u"result Did inspectUI."_qs));

        // The call finishes on its own: its result is shown, its output goes to no session, and
        // the call queued behind it never runs.
        QTRY_VERIFY_WITH_TIMEOUT(session.log().contains(u"result Did inspectUI."_qs), 10000);
        QTest::qWait(50);
        QCOMPARE(session.tools->calls, QStringList{u"inspectUI"_qs});
        QVERIFY(session.server.messagesOfType(u"conversation.item.create"_qs).isEmpty());
        QVERIFY(session.server.messagesOfType(u"response.create"_qs).isEmpty());
        QCOMPARE(session.errors(), errors);
    }

    void floodOfEvents_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("survives");
        QTest::newRow("handled a slice at a time") << 10000 << true;
        QTest::newRow("beyond the queue's bound") << 50 << false;
    }

    void floodOfEvents()
    {
        QFETCH(int, limit);
        QFETCH(bool, survives);
        RealtimeTimings timings = shortRealtimeTimings();
        timings.incomingLimit = limit;
        RealtimeTestSession session(timings);
        session.start(true);
        const int count = 3000;
        for (int i = 0; i < count; ++i)
            session.sendEvent(QJsonObject{{u"type"_qs, u"response.output_text.delta"_qs},
                                          {u"delta"_qs, u"x"_qs}});
        if (!survives) {
            QTRY_COMPARE(session.lastState(), u"idle"_qs);
            QCOMPARE(
                session.errors(),
                QStringList{u"The Realtime service sent more events than could be handled."_qs});
            return;
        }
        QTRY_VERIFY(session.log().contains(u"transcript "_qs + QString(count, u'x')));
        // The window is told the latest text once per burst, not once per delta.
        const qsizetype updates =
            std::count_if(session.log().cbegin(), session.log().cend(),
                          [](const QString& line) { return line.startsWith(u"transcript "); });
        QVERIFY2(updates < count / 10, qPrintable(QString::number(updates)));
    }
};

QTEST_GUILESS_MAIN(OpenAIRealtimeVoiceServiceTest)
#include "tst_openairealtimevoiceservice.moc"
