// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Artifact.h"
#include "core/AssistantProviderKind.h"
#include "core/AssistantResponse.h"
#include "core/ConversationMessage.h"
#include "core/SidebarSection.h"

#include <QSet>
#include <QTest>

using namespace korvane;

class RecordsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rawValuesRoundTrip();
    void unknownRawValuesGiveNothing_data();
    void unknownRawValuesGiveNothing();
    void freshRecordsGetDistinctIdsAndCurrentTime();
    void hashFollowsEquality();
    void pendingImageMarkers_data();
    void pendingImageMarkers();
};

template <typename E>
static void checkRoundTrip()
{
    for (E value : allCases<E>()) {
        const QString text = rawValue(value);
        QVERIFY2(!text.isEmpty(), "every case has a raw value");
        QCOMPARE(fromRawValue<E>(text), std::optional<E>(value));
    }
}

void RecordsTest::rawValuesRoundTrip()
{
    checkRoundTrip<ConversationRole>();
    checkRoundTrip<InputMode>();
    checkRoundTrip<ArtifactKind>();
    checkRoundTrip<ArtifactStatus>();
    checkRoundTrip<SidebarSection>();
    checkRoundTrip<AssistantProviderKind>();
}

void RecordsTest::unknownRawValuesGiveNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("case name instead of raw value") << QStringLiteral("needsReview");
    QTest::newRow("different letter case") << QStringLiteral("Ready");
    QTest::newRow("empty") << QString();
}

void RecordsTest::unknownRawValuesGiveNothing()
{
    QFETCH(QString, text);
    QCOMPARE(fromRawValue<ArtifactStatus>(text), std::nullopt);
    QCOMPARE(fromRawValue<ArtifactKind>(text), std::nullopt);
}

void RecordsTest::freshRecordsGetDistinctIdsAndCurrentTime()
{
    const QDateTime before = QDateTime::currentDateTime();
    const ConversationMessage first{.role = ConversationRole::user, .content = u"hi"_qs};
    const ConversationMessage second{.role = ConversationRole::user, .content = u"hi"_qs};
    const Artifact artifact{.kind = ArtifactKind::markdown, .title = u"T"_qs};
    const QDateTime after = QDateTime::currentDateTime();

    QVERIFY(!first.id.isNull());
    QVERIFY(first.id != second.id);
    QVERIFY(first.createdAt >= before && first.createdAt <= after);
    QVERIFY(artifact.createdAt >= before && artifact.createdAt <= after);
}

void RecordsTest::hashFollowsEquality()
{
    const ConversationMessage message{.content = u"x"_qs};
    ConversationMessage copy = message;
    QCOMPARE(qHash(copy), qHash(message));
    copy.content = u"y"_qs;
    QCOMPARE((QSet<ConversationMessage>{message, message, copy}).size(), 2);
    const Artifact artifact{.title = u"t"_qs};
    QCOMPARE((QSet<Artifact>{artifact, artifact}).size(), 1);
}

void RecordsTest::pendingImageMarkers_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<std::optional<QString>>("imagePath");
    QTest::addColumn<bool>("pendingImage");
    QTest::addColumn<std::optional<QString>>("coverDescription");

    const int image = static_cast<int>(ArtifactKind::image);
    const int markdown = static_cast<int>(ArtifactKind::markdown);
    const int running = static_cast<int>(ArtifactStatus::running);
    const int ready = static_cast<int>(ArtifactStatus::ready);
    const std::optional<QString> none;

    QTest::newRow("running image") << image << running << none << true << none;
    QTest::newRow("ready image") << image << ready << none << false << none;
    QTest::newRow("bare prefix: empty description")
        << markdown << ready << std::optional<QString>(u"generating|"_qs) << false
        << std::optional<QString>(QString());
    QTest::newRow("cover with description")
        << markdown << ready << std::optional<QString>(u"generating|a red fox"_qs) << false
        << std::optional<QString>(u"a red fox"_qs);
    QTest::newRow("prefix is case-sensitive")
        << markdown << ready << std::optional<QString>(u"Generating|x"_qs) << false << none;
    QTest::newRow("a real file") << image << ready << std::optional<QString>(u"/tmp/a.png"_qs)
                                 << false << none;
}

void RecordsTest::pendingImageMarkers()
{
    QFETCH(int, kind);
    QFETCH(int, status);
    QFETCH(std::optional<QString>, imagePath);
    QFETCH(bool, pendingImage);
    QFETCH(std::optional<QString>, coverDescription);

    const Artifact artifact{.kind = static_cast<ArtifactKind>(kind),
                            .status = static_cast<ArtifactStatus>(status),
                            .imagePath = imagePath};
    QCOMPARE(artifact.isPendingGeneratedImage(), pendingImage);
    QCOMPARE(artifact.isPendingCoverImage(), coverDescription.has_value());
    QCOMPARE(artifact.pendingCoverImageDescription(), coverDescription);
}

QTEST_GUILESS_MAIN(RecordsTest)
#include "tst_records.moc"
