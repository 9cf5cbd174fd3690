// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Artifact.h"
#include "core/ConversationMessage.h"

#include <QTest>

using namespace korvane;

class RecordsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freshRecordsGetDistinctIdsAndCurrentTime();
    void pendingCoverImages();
};

void RecordsTest::freshRecordsGetDistinctIdsAndCurrentTime()
{
    const QDateTime before = QDateTime::currentDateTime();
    const ConversationMessage first{.content = u"hi"_qs};
    const ConversationMessage second{.content = u"hi"_qs};
    const Artifact artifact{.title = u"T"_qs};
    const QDateTime after = QDateTime::currentDateTime();

    QVERIFY(!first.id.isNull());
    QVERIFY(first.id != second.id);
    QVERIFY(artifact.createdAt >= before && artifact.createdAt <= after);
}

void RecordsTest::pendingCoverImages()
{
    const auto description = [](const std::optional<QString>& imagePath) {
        return Artifact{.kind = ArtifactKind::markdown, .imagePath = imagePath}
            .pendingCoverImageDescription();
    };
    QCOMPARE(description(u"generating|a red fox"_qs), std::optional(u"a red fox"_qs));
    QCOMPARE(description(u"generating|"_qs), std::optional(QString()));
    QCOMPARE(description(u"Generating|x"_qs), std::nullopt);
    QCOMPARE(description(std::nullopt), std::nullopt);
}

QTEST_GUILESS_MAIN(RecordsTest)
#include "tst_records.moc"
