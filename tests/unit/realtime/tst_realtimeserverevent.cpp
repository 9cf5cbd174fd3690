// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealtimeServerEvent.h"

#include <QTest>

using namespace korvane;
using Event = RealtimeServerEvent;

Q_DECLARE_METATYPE(std::optional<korvane::RealtimeServerEvent>)

class RealtimeServerEventTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void oversizedTextIsRefused();
};

void RealtimeServerEventTest::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<Event>>("expected");

    const auto event = [](const QString& type, Event::Payload payload) {
        return std::optional<Event>(Event{type, std::move(payload)});
    };

    QTest::newRow("speech started")
        << uR"({"type":"input_audio_buffer.speech_started","audio_start_ms":10})"_qs
        << event(u"input_audio_buffer.speech_started"_qs, Event::SpeechStarted{});
    QTest::newRow("session created") << uR"({"type":"session.created","session":{"id":"s"}})"_qs
                                     << event(u"session.created"_qs, Event::SessionCreated{});
    QTest::newRow("audio delta") << uR"({"type":"response.output_audio.delta","delta":"AAE="})"_qs
                                 << event(u"response.output_audio.delta"_qs,
                                          Event::AudioDelta{u"AAE="_qs});
    QTest::newRow("audio delta names its answer item")
        << uR"({"type":"response.output_audio.delta","delta":"AAE=","item_id":"it_1","content_index":0})"_qs
        << event(u"response.output_audio.delta"_qs, Event::AudioDelta{u"AAE="_qs, u"it_1"_qs, 0});
    QTest::newRow("audio delta, fractional content index")
        << uR"({"type":"response.output_audio.delta","delta":"AAE=","content_index":0.5})"_qs
        << event(u"response.output_audio.delta"_qs, Event::AudioDelta{u"AAE="_qs});
    QTest::newRow("audio delta, number")
        << uR"({"type":"response.output_audio.delta","delta":12})"_qs
        << event(u"response.output_audio.delta"_qs, Event::AudioDelta{});
    QTest::newRow("text delta") << uR"({"type":"response.text.delta","delta":"Hi"})"_qs
                                << event(u"response.text.delta"_qs,
                                         Event::TranscriptDelta{u"Hi"_qs});
    QTest::newRow("output text delta")
        << uR"({"type":"response.output_text.delta","delta":"Hi"})"_qs
        << event(u"response.output_text.delta"_qs, Event::TranscriptDelta{u"Hi"_qs});
    QTest::newRow("output text done reads text")
        << uR"({"type":"response.output_text.done","text":"Hello"})"_qs
        << event(u"response.output_text.done"_qs, Event::TranscriptDone{u"Hello"_qs});
    QTest::newRow("audio transcript done reads transcript")
        << uR"({"type":"response.output_audio_transcript.done","transcript":"A","text":"B"})"_qs
        << event(u"response.output_audio_transcript.done"_qs, Event::TranscriptDone{u"A"_qs});
    QTest::newRow("text done reads text")
        << uR"({"type":"response.text.done","transcript":"A","text":"B"})"_qs
        << event(u"response.text.done"_qs, Event::TranscriptDone{u"B"_qs});
    QTest::newRow("user transcription")
        << uR"({"type":"conversation.item.input_audio_transcription.completed","transcript":"all done"})"_qs
        << event(u"conversation.item.input_audio_transcription.completed"_qs,
                 Event::UserTranscription{u"all done"_qs});
    QTest::newRow("function call")
        << uR"({"type":"response.function_call_arguments.done","name":"computer_use","call_id":"c1","arguments":"{}"})"_qs
        << event(u"response.function_call_arguments.done"_qs,
                 Event::FunctionCall{u"computer_use"_qs, u"c1"_qs, u"{}"_qs});
    QTest::newRow("function call, arguments as object")
        << uR"({"type":"response.function_call_arguments.done","name":"computer_use","call_id":"c1","arguments":{"action":"x"}})"_qs
        << event(u"response.function_call_arguments.done"_qs,
                 Event::FunctionCall{u"computer_use"_qs, u"c1"_qs, std::nullopt});
    QTest::newRow("error with message")
        << uR"({"type":"error","error":{"type":"invalid_request_error","message":"Bad"}})"_qs
        << event(u"error"_qs, Event::Error{u"Bad"_qs});
    QTest::newRow("error without object")
        << uR"({"type":"error","error":"Bad"})"_qs
        << event(u"error"_qs, Event::Error{u"Realtime API error."_qs});
    QTest::newRow("error with numeric message")
        << uR"({"type":"error","error":{"message":5}})"_qs
        << event(u"error"_qs, Event::Error{u"Realtime API error."_qs});
    QTest::newRow("unknown type kept") << uR"({"type":"rate_limits.updated"})"_qs
                                       << event(u"rate_limits.updated"_qs, Event::Other{});
    QTest::newRow("types are case-sensitive")
        << uR"({"type":"Response.Done"})"_qs << event(u"Response.Done"_qs, Event::Other{});
    QTest::newRow("type not a string") << uR"({"type":7})"_qs << std::optional<Event>{};
    QTest::newRow("no type") << uR"({"delta":"x"})"_qs << std::optional<Event>{};
    QTest::newRow("array") << uR"([{"type":"response.done"}])"_qs << std::optional<Event>{};
    QTest::newRow("not JSON") << u"response.done"_qs << std::optional<Event>{};
    QTest::newRow("cut short") << uR"({"type":"response.done")"_qs << std::optional<Event>{};
}

void RealtimeServerEventTest::parse()
{
    QFETCH(QString, text);
    QFETCH(std::optional<Event>, expected);
    QCOMPARE(Event::parse(text), expected);
}

void RealtimeServerEventTest::oversizedTextIsRefused()
{
    QString text = uR"({"type":"response.output_audio.delta","delta":")"_qs;
    text += QString(Event::maximumTextSize, u'A');
    text += u"\"}"_qs;
    QCOMPARE(Event::parse(text), std::nullopt);
}

QTEST_GUILESS_MAIN(RealtimeServerEventTest)
#include "tst_realtimeserverevent.moc"
