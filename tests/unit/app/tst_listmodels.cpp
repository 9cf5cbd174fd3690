#include "AppFakes.h"

#include <QAbstractItemModelTester>
#include <QTest>

using namespace korvane;
using namespace korvane::test;

class ListModelsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void modelsStayConsistentThroughASession();
    void rolesReadAsRawValues();
};

void ListModelsTest::modelsStayConsistentThroughASession()
{
    AppModelHarness h;
    QAbstractItemModelTester messages(h.model->messageModel(),
                                      QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester artifacts(h.model->artifactModel(),
                                       QAbstractItemModelTester::FailureReportingMode::QtTest);

    const Artifact image{
        .kind = ArtifactKind::image, .status = ArtifactStatus::running, .body = u"a fox"_qs};
    h.assistant->replies = {{.message = assistantMessage(u"Here."_qs),
                             .artifacts = {Artifact{.title = u"Note"_qs}, image},
                             .action = AssistantAction{.type = u"generate_image"_qs}}};
    h.submit(QStringLiteral("draw a fox"));
    QVERIFY(h.waitForQuiet());
    Q_EMIT h.realtime->computerUseStarted(u"generate_image"_qs, std::nullopt);
    Q_EMIT h.realtime->assistantTranscriptChanged(u"Draw"_qs);
    Q_EMIT h.realtime->assistantTranscriptChanged(u"Drawing"_qs);
    Q_EMIT h.realtime->computerUseFinished({.summary = u"Done."_qs});
    h.processEvents();
    QCOMPARE(h.model->messageModel()->rowCount(), 4);
    QCOMPARE(h.model->artifactModel()->rowCount(), 2);

    h.model->startNewSession();
    QCOMPARE(h.model->messageModel()->rowCount(), 0);
    QCOMPARE(h.model->artifactModel()->rowCount(), 0);
}

void ListModelsTest::rolesReadAsRawValues()
{
    AppModelHarness h;
    const Artifact review{.kind = ArtifactKind::search,
                          .title = u"Results"_qs,
                          .status = ArtifactStatus::needsReview,
                          .body = u"[]"_qs};
    const Artifact withImage{.kind = ArtifactKind::image, .imagePath = u"/tmp/a.png"_qs};
    h.assistant->replies = {
        {.message = assistantMessage(u"Found."_qs), .artifacts = {review, withImage}}};
    h.submit(QStringLiteral("search"));
    QVERIFY(h.waitForQuiet());

    const MessageListModel* messages = h.model->messageModel();
    const QHash<int, QByteArray> messageRoles = messages->roleNames();
    const auto messageValue = [&](int row, const char* role) {
        return messages->data(messages->index(row), messageRoles.key(role));
    };
    QCOMPARE(messageValue(0, "role"), QVariant(u"user"_qs));
    QCOMPARE(messageValue(0, "mode"), QVariant(u"quiet"_qs));
    // The reply's own message records no mode.
    QVERIFY(messageValue(1, "mode").isNull());
    QCOMPARE(messageValue(1, "content"), QVariant(u"Found."_qs));
    QCOMPARE(messageValue(1, "id"),
             QVariant(h.model->messages().at(1).id.toString(QUuid::WithoutBraces)));

    const ArtifactListModel* artifacts = h.model->artifactModel();
    const QHash<int, QByteArray> artifactRoles = artifacts->roleNames();
    const auto artifactValue = [&](int row, const char* role) {
        return artifacts->data(artifacts->index(row), artifactRoles.key(role));
    };
    QCOMPARE(artifactValue(0, "kind"), QVariant(u"search"_qs));
    QCOMPARE(artifactValue(0, "status"), QVariant(u"needs review"_qs));
    QVERIFY(artifactValue(0, "imagePath").isNull());
    QCOMPARE(artifactValue(1, "imagePath"), QVariant(u"/tmp/a.png"_qs));
    QCOMPARE(h.model->selectedArtifactValue().value(u"kind"_qs), QVariant(u"image"_qs));
    QCOMPARE(h.model->selectedArtifactIDText(), withImage.id.toString(QUuid::WithoutBraces));
}

QTEST_GUILESS_MAIN(ListModelsTest)
#include "tst_listmodels.moc"
