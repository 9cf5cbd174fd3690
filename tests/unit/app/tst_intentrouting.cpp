// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFakes.h"
#include "app/AppIntentRouter.h"
#include "app/CreateKorvaneNoteIntent.h"
#include "app/OpenKorvaneSectionIntent.h"

#include <QSignalSpy>
#include <QTest>

using namespace korvane;
using namespace korvane::test;

Q_DECLARE_METATYPE(korvane::SidebarSection)

class IntentRoutingTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void intentsRouteTheWindow_data();
    void intentsRouteTheWindow();
    void routeLeftBeforeTheModelFollowsIsApplied();
};

void IntentRoutingTest::intentsRouteTheWindow_data()
{
    QTest::addColumn<QString>("intent");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<SidebarSection>("section");
    QTest::addColumn<QString>("promptText");
    QTest::addColumn<int>("focusRequests");
    QTest::addColumn<std::optional<QString>>("dialog");

    const auto opened = std::optional<QString>(u"Opened Korvane."_qs);
    QTest::newRow("note with text")
        << u"note"_qs << u"Buy milk\nand eggs"_qs << SidebarSection::chat
        << u"Buy milk\nand eggs"_qs << 1 << opened;
    QTest::newRow("note with empty text keeps the composer")
        << u"note"_qs << QString() << SidebarSection::chat << u"draft"_qs << 0 << opened;
    QTest::newRow("search section keeps the composer")
        << u"section"_qs << u"search"_qs << SidebarSection::search << u"draft"_qs << 0
        << std::optional<QString>();
    QTest::newRow("no section given shows the chat")
        << u"section"_qs << QString() << SidebarSection::chat << u"draft"_qs << 0
        << std::optional<QString>();
}

void IntentRoutingTest::intentsRouteTheWindow()
{
    QFETCH(QString, intent);
    QFETCH(QString, argument);
    QFETCH(SidebarSection, section);
    QFETCH(QString, promptText);
    QFETCH(int, focusRequests);
    QFETCH(std::optional<QString>, dialog);

    AppModelHarness h;
    AppIntentRouter router;
    h.model->followIntentRouter(router);
    h.model->setPromptText(u"draft"_qs);
    h.model->setSelectedSection(intent == u"note" ? SidebarSection::search : SidebarSection::chat);
    QSignalSpy focus(h.model.get(), &AppModel::shouldFocusPromptChanged);

    // Twice: the same intent again is a new route, applied again.
    for (int time = 1; time <= 2; ++time) {
        const AppIntentResult result =
            intent == u"note"
                ? CreateKorvaneNoteIntent{.text = argument}.perform(router)
                : OpenKorvaneSectionIntent{.section =
                                               fromRawValue<KorvaneSectionIntentValue>(argument)}
                      .perform(router);
        QCOMPARE(result.dialog, dialog);
        QCOMPARE(h.model->selectedSection(), std::optional(section));
        QCOMPARE(h.model->promptText(), promptText);
        QCOMPARE(focus.count(), focusRequests * time);
    }
    // Nothing is sent until the user submits.
    QVERIFY(h.model->messages().isEmpty());
}

void IntentRoutingTest::routeLeftBeforeTheModelFollowsIsApplied()
{
    AppIntentRouter router;
    QVERIFY(router.pendingRouteValue().isNull());
    CreateKorvaneNoteIntent{.text = u"From a launcher"_qs}.perform(router);
    AppModelHarness h;
    h.model->followIntentRouter(router);
    QCOMPARE(h.model->promptText(), u"From a launcher"_qs);

    // The window applies the route it reads from QML the same way.
    AppModelHarness other;
    QVERIFY(QMetaObject::invokeMethod(
        other.model.get(), "applyIntentRoute",
        Q_ARG(korvane::AppIntentRoute, router.pendingRouteValue().value<AppIntentRoute>())));
    QCOMPARE(other.model->promptText(), u"From a launcher"_qs);
}

QTEST_GUILESS_MAIN(IntentRoutingTest)
#include "tst_intentrouting.moc"
