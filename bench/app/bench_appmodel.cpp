// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppModel.h"
#include "realtime/UnavailableRealtimeVoiceService.h"

#include <QCoreApplication>
#include <QTest>

using namespace korvane;

// The model's own cost, with services that answer at once: a typed prompt from submit to
// applied reply, and a realtime transcript growing at the end of a long conversation.
class AppModelBenchmark final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void promptRoundTrip();
    void transcriptUpdate_data();
    void transcriptUpdate();
};

void AppModelBenchmark::promptRoundTrip()
{
    AppModel model(AppModelServices{.recognizesCommand = [](QStringView) { return false; }});
    QBENCHMARK
    {
        model.setPromptText(QStringLiteral("What is the weather like?"));
        model.submitPrompt();
        while (model.isResponding())
            QCoreApplication::processEvents();
    }
}

void AppModelBenchmark::transcriptUpdate_data()
{
    QTest::addColumn<int>("messages");
    QTest::newRow("100 messages") << 100;
    QTest::newRow("10000 messages") << 10'000;
}

void AppModelBenchmark::transcriptUpdate()
{
    QFETCH(int, messages);
    const auto realtime = std::make_shared<UnavailableRealtimeVoiceService>();
    AppModel model(AppModelServices{.realtimeVoiceService = realtime});
    for (int index = 0; index < messages; ++index) {
        model.upsertRealtimeTranscript(QStringLiteral("answer ") + QString::number(index));
        Q_EMIT realtime->responseDone();
        QCoreApplication::processEvents();
    }
    model.upsertRealtimeTranscript(QStringLiteral("The"));
    QString text = QStringLiteral("The answer");
    QBENCHMARK
    {
        model.upsertRealtimeTranscript(text);
    }
    if (model.messages().size() != messages + 1)
        qFatal("transcript did not grow in place");
}

QTEST_GUILESS_MAIN(AppModelBenchmark)
#include "bench_appmodel.moc"
