#include "AppFakes.h"
#include "app/AppIntentRouter.h"
#include "app/CreateKorvaneNoteIntent.h"
#include "app/KorvaneArtifactQuery.h"
#include "app/KorvaneSessionQuery.h"
#include "app/KorvaneShortcuts.h"
#include "app/OpenKorvaneSectionIntent.h"

#include <QSignalSpy>
#include <QTest>

using namespace korvane;
using namespace korvane::test;

class IntentRoutingTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void intentsRouteTheWindow_data();
    void intentsRouteTheWindow();
    void sameIntentTwiceIsAppliedTwice();
    void routeLeftBeforeTheModelFollowsIsApplied();
    void routeFromQml();
    void artifactQuery_data();
    void artifactQuery();
    void sessionQuery();
    void shortcutsInOrder();
};

void IntentRoutingTest::intentsRouteTheWindow_data()
{
    QTest::addColumn<QString>("intent");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("promptText");
    QTest::addColumn<int>("focusRequests");
    QTest::addColumn<std::optional<QString>>("dialog");

    const auto opened = std::optional<QString>(u"Opened Korvane."_qs);
    QTest::newRow("note with text") << u"note"_qs << u"Buy milk\nand eggs"_qs << u"chat"_qs
                                    << u"Buy milk\nand eggs"_qs << 1 << opened;
    QTest::newRow("note with empty text keeps the composer")
        << u"note"_qs << QString() << u"chat"_qs << u"draft"_qs << 0 << opened;
    QTest::newRow("note with spaces is put in as given")
        << u"note"_qs << u"  "_qs << u"chat"_qs << u"  "_qs << 1 << opened;
    QTest::newRow("search section keeps the composer")
        << u"section"_qs << u"search"_qs << u"search"_qs << u"draft"_qs << 0
        << std::optional<QString>();
    QTest::newRow("chat section") << u"section"_qs << u"chat"_qs << u"chat"_qs << u"draft"_qs << 0
                                  << std::optional<QString>();
    QTest::newRow("no section given shows the chat")
        << u"section"_qs << QString() << u"chat"_qs << u"draft"_qs << 0 << std::optional<QString>();
}

void IntentRoutingTest::intentsRouteTheWindow()
{
    QFETCH(QString, intent);
    QFETCH(QString, argument);
    QFETCH(QString, section);
    QFETCH(QString, promptText);
    QFETCH(int, focusRequests);
    QFETCH(std::optional<QString>, dialog);

    AppModelHarness h;
    AppIntentRouter router;
    h.model->followIntentRouter(router);
    h.model->setPromptText(u"draft"_qs);
    h.model->setSelectedSection(intent == u"note" ? SidebarSection::search : SidebarSection::chat);
    QSignalSpy focus(h.model.get(), &AppModel::shouldFocusPromptChanged);

    AppIntentResult result;
    if (intent == u"note") {
        result = CreateKorvaneNoteIntent{.text = argument}.perform(router);
    } else {
        result =
            OpenKorvaneSectionIntent{.section = fromRawValue<KorvaneSectionIntentValue>(argument)}
                .perform(router);
    }

    QCOMPARE(result.dialog, dialog);
    QVERIFY(router.pendingRoute());
    QCOMPARE(h.model->selectedSection(), fromRawValue<SidebarSection>(section));
    QCOMPARE(h.model->promptText(), promptText);
    QCOMPARE(focus.count(), focusRequests);
    QCOMPARE(h.model->shouldFocusPrompt(), focusRequests % 2 == 1);
    // Nothing is sent until the user submits.
    QVERIFY(h.model->messages().isEmpty());
}

void IntentRoutingTest::sameIntentTwiceIsAppliedTwice()
{
    AppModelHarness h;
    AppIntentRouter router;
    h.model->followIntentRouter(router);
    QSignalSpy focus(h.model.get(), &AppModel::shouldFocusPromptChanged);

    const CreateKorvaneNoteIntent intent{.text = u"Idea"_qs};
    intent.perform(router);
    const AppIntentRoute first = *router.pendingRoute();
    intent.perform(router);
    const AppIntentRoute second = *router.pendingRoute();

    QVERIFY(first.id != second.id);
    QVERIFY(!(first == second));
    QCOMPARE(focus.count(), 2);
    QVERIFY(!h.model->shouldFocusPrompt());
    QCOMPARE(second.prefilledPrompt, std::optional(u"Idea"_qs));
}

void IntentRoutingTest::routeLeftBeforeTheModelFollowsIsApplied()
{
    AppIntentRouter router;
    OpenKorvaneSectionIntent{.section = KorvaneSectionIntentValue::search}.perform(router);
    AppModelHarness h;
    h.model->followIntentRouter(router);
    QCOMPARE(h.model->selectedSection(), std::optional(SidebarSection::search));
}

void IntentRoutingTest::routeFromQml()
{
    AppIntentRouter router;
    QVERIFY(router.pendingRouteValue().isNull());
    CreateKorvaneNoteIntent{.text = u"From a launcher"_qs}.perform(router);
    const QVariant value = router.pendingRouteValue();
    QVERIFY(value.canConvert<AppIntentRoute>());

    AppModelHarness h;
    QVERIFY(
        QMetaObject::invokeMethod(h.model.get(), "applyIntentRoute",
                                  Q_ARG(korvane::AppIntentRoute, value.value<AppIntentRoute>())));
    QCOMPARE(h.model->promptText(), u"From a launcher"_qs);
}

void IntentRoutingTest::artifactQuery_data()
{
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("table order, not request order")
        << QStringList{u"image-request"_qs, u"product-brief"_qs}
        << QStringList{u"product-brief"_qs, u"image-request"_qs};
    QTest::newRow("unknown id") << QStringList{u"nope"_qs} << QStringList{};
    QTest::newRow("ids are exact") << QStringList{u"Session-Flow"_qs} << QStringList{};
    QTest::newRow("known and unknown")
        << QStringList{u"x"_qs, u"session-flow"_qs} << QStringList{u"session-flow"_qs};
}

void IntentRoutingTest::artifactQuery()
{
    QFETCH(QStringList, asked);
    QFETCH(QStringList, found);
    QStringList ids;
    for (const KorvaneArtifactEntity& entity : KorvaneArtifactQuery::entities(asked))
        ids.append(entity.id);
    QCOMPARE(ids, found);
}

void IntentRoutingTest::sessionQuery()
{
    const KorvaneSessionEntity chat{u"chat"_qs, u"Chat"_qs};
    QCOMPARE(KorvaneSessionQuery::defaultResult(), chat);
    QCOMPARE(KorvaneSessionQuery::suggestedEntities(), QList{chat});
    QCOMPARE(KorvaneSessionQuery::entities({u"x"_qs, u"chat"_qs}), QList{chat});
    QVERIFY(KorvaneSessionQuery::entities({u"Chat"_qs}).isEmpty());
    QCOMPARE(KorvaneArtifactQuery::suggestedEntities().size(), 3);
    QCOMPARE(KorvaneArtifactQuery::suggestedEntities().at(1),
             (KorvaneArtifactEntity{u"session-flow"_qs, u"Session Flow"_qs, u"Diagram"_qs}));
}

void IntentRoutingTest::shortcutsInOrder()
{
    const QList<AppShortcut> shortcuts = KorvaneShortcuts::appShortcuts();
    QCOMPARE(shortcuts.size(), 3);
    QCOMPARE(shortcuts.at(0).section, std::optional(KorvaneSectionIntentValue::chat));
    QCOMPARE(shortcuts.at(1).intent, u"CreateKorvaneNoteIntent"_qs);
    QCOMPARE(shortcuts.at(2).section, std::optional(KorvaneSectionIntentValue::search));
    QCOMPARE(shortcuts.at(2).phrases.last(),
             u"Open Search in "_qs + KorvaneShortcuts::applicationNameToken());
}

QTEST_GUILESS_MAIN(IntentRoutingTest)
#include "tst_intentrouting.moc"
