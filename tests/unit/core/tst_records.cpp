// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Artifact.h"
#include "core/AssistantProviderKind.h"
#include "core/ConversationMessage.h"
#include "core/SidebarSection.h"

#include <QTest>

using namespace korvane;

class RecordsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rawValuesRoundTrip();
    void freshRecordsGetDistinctIdsAndCurrentTime();
    void pendingCoverImages();
};

template <typename E>
static void checkRoundTrip()
{
    for (E value : allCases<E>()) {
        QVERIFY2(!rawValue(value).isEmpty(), "every case has a raw value");
        QCOMPARE(fromRawValue<E>(rawValue(value)), std::optional<E>(value));
    }
    // Raw values are matched exactly, letter case included.
    QCOMPARE(fromRawValue<E>(rawValue(allCases<E>().front()).toUpper()), std::nullopt);
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

void RecordsTest::freshRecordsGetDistinctIdsAndCurrentTime()
{
    const QDateTime before = QDateTime::currentDateTime();
    const ConversationMessage first{.content = u"hi"_qs};
    const ConversationMessage second{.content = u"hi"_qs};
    const Artifact artifact{.title = u"T"_qs};
    const QDateTime after = QDateTime::currentDateTime();

    QVERIFY(!first.id.isNull());
    QVERIFY(first.id != second.id);
    QVERIFY(first.createdAt >= before && first.createdAt <= after);
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
