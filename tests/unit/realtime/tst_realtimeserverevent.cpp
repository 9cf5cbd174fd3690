// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealtimeServerEvent.h"

#include <QTest>

using namespace korvane;
using Event = RealtimeServerEvent;

class RealtimeServerEventTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("type not a string") << u"{\"type\":7}"_qs;
        QTest::newRow("not JSON") << u"response.done"_qs;
    }

    void parse()
    {
        QFETCH(QString, text);
        QCOMPARE(Event::parse(text), std::nullopt);
    }

    void oversizedTextIsRefused()
    {
        QString text = u"{\"type\":\"response.output_audio.delta\",\"delta\":\""_qs;
        text += QString(Event::maximumTextSize, u'A');
        text += u"\"}"_qs;
        QCOMPARE(Event::parse(text), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(RealtimeServerEventTest)
#include "tst_realtimeserverevent.moc"
