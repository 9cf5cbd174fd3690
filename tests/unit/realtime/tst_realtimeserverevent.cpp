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

    QTest::newRow("audio delta, fractional content index")
        << uR"({"type":"response.output_audio.delta","delta":"AAE=","content_index":0.5})"_qs
        << event(u"response.output_audio.delta"_qs, Event::AudioDelta{u"AAE="_qs});
    QTest::newRow("audio delta, number")
        << uR"({"type":"response.output_audio.delta","delta":12})"_qs
        << event(u"response.output_audio.delta"_qs, Event::AudioDelta{});
    QTest::newRow("output text done reads text")
        << uR"({"type":"response.output_text.done","text":"Hello"})"_qs
        << event(u"response.output_text.done"_qs, Event::TranscriptDone{u"Hello"_qs});
    QTest::newRow("audio transcript done reads transcript")
        << uR"({"type":"response.output_audio_transcript.done","transcript":"A","text":"B"})"_qs
        << event(u"response.output_audio_transcript.done"_qs, Event::TranscriptDone{u"A"_qs});
    QTest::newRow("text done reads text")
        << uR"({"type":"response.text.done","transcript":"A","text":"B"})"_qs
        << event(u"response.text.done"_qs, Event::TranscriptDone{u"B"_qs});
    QTest::newRow("function call, arguments as object")
        << uR"({"type":"response.function_call_arguments.done","name":"computer_use","call_id":"c1","arguments":{"action":"x"}})"_qs
        << event(u"response.function_call_arguments.done"_qs,
                 Event::FunctionCall{u"computer_use"_qs, u"c1"_qs, std::nullopt});
    QTest::newRow("error without object")
        << uR"({"type":"error","error":"Bad"})"_qs
        << event(u"error"_qs, Event::Error{u"Realtime API error."_qs});
    QTest::newRow("unknown type kept") << uR"({"type":"rate_limits.updated"})"_qs
                                       << event(u"rate_limits.updated"_qs, Event::Other{});
    QTest::newRow("type not a string") << uR"({"type":7})"_qs << std::optional<Event>{};
    QTest::newRow("array") << uR"([{"type":"response.done"}])"_qs << std::optional<Event>{};
    QTest::newRow("not JSON") << u"response.done"_qs << std::optional<Event>{};
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
