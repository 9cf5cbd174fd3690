#include "core/Artifact.h"
#include "core/AssistantProviderKind.h"
#include "core/AssistantResponse.h"
#include "core/ComputerUseResult.h"
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
    void casesAreListedInDeclarationOrder();
    void freshRecordsGetDistinctIdsAndCurrentTime();
    void equalityCoversEveryField();
    void hashFollowsEquality();
    void pendingImageMarkers_data();
    void pendingImageMarkers();
    void providerDisplayNames();
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
    QCOMPARE(rawValue(ArtifactStatus::needsReview), QStringLiteral("needs review"));
    QCOMPARE(rawValue(AssistantProviderKind::appleFoundationModels),
             QStringLiteral("appleFoundationModels"));
}

void RecordsTest::unknownRawValuesGiveNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("case name instead of raw value") << QStringLiteral("needsReview");
    QTest::newRow("different letter case") << QStringLiteral("Ready");
    QTest::newRow("surrounding space") << QStringLiteral(" ready");
    QTest::newRow("empty") << QString();
}

void RecordsTest::unknownRawValuesGiveNothing()
{
    QFETCH(QString, text);
    QCOMPARE(fromRawValue<ArtifactStatus>(text), std::nullopt);
    QCOMPARE(fromRawValue<ArtifactKind>(text), std::nullopt);
}

void RecordsTest::casesAreListedInDeclarationOrder()
{
    const auto kinds = allCases<ArtifactKind>();
    QStringList names;
    for (ArtifactKind kind : kinds)
        names.append(rawValue(kind));
    QCOMPARE(names, (QStringList{u"markdown"_qs, u"note"_qs, u"diagram"_qs, u"image"_qs,
                                 u"record"_qs, u"progress"_qs, u"search"_qs, u"presentation"_qs}));
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
    QVERIFY(first != second);
    QVERIFY(first.createdAt >= before && first.createdAt <= after);
    QVERIFY(artifact.createdAt >= before && artifact.createdAt <= after);
    QCOMPARE(first.mode, std::nullopt);
    QCOMPARE(artifact.status, ArtifactStatus::ready);
    QCOMPARE(artifact.imagePath, std::nullopt);
}

void RecordsTest::equalityCoversEveryField()
{
    const ConversationMessage message{
        .role = ConversationRole::assistant, .mode = InputMode::quiet, .content = u"old"_qs};
    ConversationMessage edited = message;
    QCOMPARE(edited, message);
    edited.content = u"new"_qs;
    QVERIFY2(edited != message, "same id, different content: not equal");

    ConversationMessage withoutMode = message;
    withoutMode.mode.reset();
    QVERIFY2(withoutMode != message, "an absent mode equals only an absent mode");

    const Artifact artifact{.kind = ArtifactKind::image, .title = u"A"_qs, .body = u"b"_qs};
    Artifact withPath = artifact;
    withPath.imagePath = QString();
    QVERIFY2(withPath != artifact, "an empty path is not an absent path");
    Artifact otherStatus = artifact;
    otherStatus.status = ArtifactStatus::needsReview;
    QVERIFY(otherStatus != artifact);

    const ComputerUseResult plain{u"Done."_qs, std::nullopt};
    const ComputerUseResult withArtifact{u"Done."_qs, artifact};
    QVERIFY(plain != withArtifact);
    QCOMPARE(withArtifact, (ComputerUseResult{u"Done."_qs, artifact}));
}

void RecordsTest::hashFollowsEquality()
{
    const ConversationMessage message{.content = u"x"_qs};
    ConversationMessage copy = message;
    QCOMPARE(qHash(copy), qHash(message));
    QSet<ConversationMessage> set{message, copy};
    QCOMPARE(set.size(), 1);
    copy.content = u"y"_qs;
    set.insert(copy);
    QCOMPARE(set.size(), 2);

    const Artifact artifact{.title = u"t"_qs};
    QSet<Artifact> artifacts{artifact, artifact};
    QCOMPARE(artifacts.size(), 1);
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
    QTest::newRow("running markdown is no pending image")
        << markdown << running << none << false << none;
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

void RecordsTest::providerDisplayNames()
{
    QCOMPARE(displayName(AssistantProviderKind::openAI), QStringLiteral("OpenAI"));
    QCOMPARE(displayName(AssistantProviderKind::appleFoundationModels),
             QStringLiteral("Apple Foundation Models"));
}

QTEST_GUILESS_MAIN(RecordsTest)
#include "tst_records.moc"
