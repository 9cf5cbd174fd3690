// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ApplicationComposition.h"
#include "computeruse/ComputerUseOperations.h"
#include "computeruse/MacComputerUseService.h"
#include "fakes/FakeApplicationCatalog.h"
#include "fakes/FakeBrowserAutomation.h"
#include "fakes/FakeDocumentAutomation.h"
#include "fakes/FakeMusicAutomation.h"
#include "fakes/FakePacing.h"
#include "fakes/FakeUIAutomation.h"
#include "fakes/FakeWorkspace.h"
#include "search/SearchResult.h"

#include <QTest>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(korvane::ComputerUseCommand)
Q_DECLARE_METATYPE(korvane::BrowserOpenResult)

namespace {

struct Fixture {
    std::shared_ptr<FakeWorkspace> workspace = std::make_shared<FakeWorkspace>();
    std::shared_ptr<FakeApplicationCatalog> catalog = std::make_shared<FakeApplicationCatalog>();
    std::shared_ptr<FakeUIAutomation> ui = std::make_shared<FakeUIAutomation>();
    std::shared_ptr<FakeBrowserAutomation> browsers = std::make_shared<FakeBrowserAutomation>();
    std::shared_ptr<FakeMusicAutomation> music = std::make_shared<FakeMusicAutomation>();
    std::shared_ptr<FakeDocumentAutomation> documents = std::make_shared<FakeDocumentAutomation>();
    std::shared_ptr<FakePacing> pacing = std::make_shared<FakePacing>();
    QList<SearchResult> searchResults{};
    QStringList searchedQueries{};

    MacComputerUseService service()
    {
        ComputerUseBackends backends;
        backends.ports = {workspace, catalog, ui, browsers, music, documents};
        backends.search = [this](QString query) -> QCoro::Task<QList<SearchResult>> {
            searchedQueries.append(query);
            co_return std::as_const(searchResults);
        };
        backends.pacing = pacing;
        return MacComputerUseService(std::move(backends));
    }

    ComputerUseResult run(ComputerUseCommand command)
    {
        MacComputerUseService executor = service();
        return QCoro::waitFor(executor.execute(std::move(command)));
    }
};

InstalledApplication application(const QString& name)
{
    return {name,
            QUrl::fromLocalFile(QStringLiteral("/apps/") + name + QStringLiteral(".desktop"))};
}

RunningApplication runningWith(std::optional<QString> identifier)
{
    return {std::move(identifier), QStringLiteral("window"), 42};
}

KeyboardKey controlT()
{
    return {QStringLiteral("Control-T"), quint16{17}, KeyboardKey::control};
}

} // namespace

class TestComputerUseService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void blankTextRunsNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("newlines") << QStringLiteral("\n\t \n");
    }
    void blankTextRunsNothing()
    {
        QFETCH(QString, text);
        Fixture fixture;
        MacComputerUseService executor = fixture.service();
        const ComputerUseResult result = QCoro::waitFor(executor.execute(text));
        QCOMPARE(result.summary, QStringLiteral("No command provided."));
    }

    void dispatchReachesTheRightOperation_data()
    {
        QTest::addColumn<ComputerUseCommand>("command");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("call");

        QTest::newRow("music open") << ComputerUseCommand::music(MusicCommand::open())
                                    << QStringLiteral("open.") << QStringLiteral("music:open");
        QTest::newRow("music play")
            << ComputerUseCommand::music(MusicCommand::play(
                   QStringLiteral("jazz"), MusicScope::playlist(QStringLiteral("Road Trip"))))
            << QStringLiteral("play jazz in playlist Road Trip.")
            << QStringLiteral("music:play jazz in playlist Road Trip");
        QTest::newRow("type") << ComputerUseCommand::typeText(QStringLiteral("  hello \n"))
                              << QStringLiteral("Done.") << QStringLiteral("typeText(hello)");
        QTest::newRow("type into field")
            << ComputerUseCommand::typeTextIntoField(QStringLiteral(" hi "), QStringLiteral(" To "))
            << QStringLiteral("Done.") << QStringLiteral("typeText(hi, To)");
        QTest::newRow("focus") << ComputerUseCommand::focusField(QStringLiteral("Search"))
                               << QStringLiteral("Done.") << QStringLiteral("focusField(Search)");
        QTest::newRow("press") << ComputerUseCommand::pressKey(controlT())
                               << QStringLiteral("Done.") << QStringLiteral("pressKey(Control-T)");
        QTest::newRow("click without browser")
            << ComputerUseCommand::clickElement(QStringLiteral("OK")) << QStringLiteral("Done.")
            << QStringLiteral("clickVisibleElement(OK)");
    }
    void dispatchReachesTheRightOperation()
    {
        QFETCH(ComputerUseCommand, command);
        QFETCH(QString, summary);
        QFETCH(QString, call);
        Fixture fixture;
        const ComputerUseResult result = fixture.run(command);
        QCOMPARE(result.summary, summary);
        QVERIFY(!result.artifact);
        QStringList calls = fixture.ui->calls;
        for (const QString& musicCall : std::as_const(fixture.music->calls))
            calls.append(QStringLiteral("music:") + musicCall);
        QCOMPARE(calls, QStringList{call});
    }

    // While Korvane's own window is in front, a typed command that acts on the frontmost
    // application first gives the focus back to the one used before.
    void typedCommandsActOnTheApplicationUsedBefore_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("korvaneInFront");
        QTest::addColumn<bool>("knownBefore");
        QTest::addColumn<int>("activation"); // 0 refused, 1 lands, 2 never lands
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("calls");

        const QString refused = u"Could not bring Gedit to the front, so the command was not "
                                u"carried out."_qs;
        QTest::newRow("type") << u"type hello"_qs << true << true << 1 << u"In Gedit: Done."_qs
                              << QStringList{u"typeText(hello)"_qs};
        QTest::newRow("inspect")
            << u"inspect screen"_qs << true << true << 1
            << u"In Gedit: No interactive elements found. Ensure the application is focused and "
               u"has fully loaded."_qs
            << QStringList{u"getVisibleElements()"_qs};
        QTest::newRow("another program in front")
            << u"type hello"_qs << false << true << 1 << u"Done."_qs
            << QStringList{u"typeText(hello)"_qs};
        QTest::newRow("nothing used before")
            << u"type hello"_qs << true << false << 1
            << u"No other application was in use before Korvane, so the command was not carried "
               u"out. Switch to it and try again."_qs
            << QStringList{};
        QTest::newRow("switch refused")
            << u"type hello"_qs << true << true << 0 << refused << QStringList{};
        QTest::newRow("switch never lands")
            << u"type hello"_qs << true << true << 2 << refused << QStringList{};
        QTest::newRow("opening needs no switch") << u"open example.com"_qs << true << true << 1
                                                 << u"Opened example.com."_qs << QStringList{};
    }
    void typedCommandsActOnTheApplicationUsedBefore()
    {
        QFETCH(QString, text);
        QFETCH(bool, korvaneInFront);
        QFETCH(bool, knownBefore);
        QFETCH(int, activation);
        QFETCH(QString, summary);
        QFETCH(QStringList, calls);
        Fixture fixture;
        const RunningApplication korvane{u"korvane.desktop"_qs, u"korvane"_qs,
                                         QCoreApplication::applicationPid(), u"Korvane"_qs};
        const RunningApplication gedit{u"gedit.desktop"_qs, u"gedit"_qs, 77, u"Gedit"_qs};
        fixture.workspace->frontmostAnswers = {korvaneInFront ? korvane : gedit};
        if (activation == 1)
            fixture.workspace->frontmostAnswers.append(gedit);
        fixture.workspace->activateSucceeds = activation != 0;
        if (knownBefore)
            fixture.workspace->applicationBefore = gedit;

        MacComputerUseService executor = fixture.service();
        const ComputerUseResult result = QCoro::waitFor(executor.executeTypedCommand(text));
        QCOMPARE(result.summary, summary);
        QCOMPARE(fixture.ui->calls, calls);
        // Nothing done for want of the program is a failure (korvane-cli exits 1).
        if (calls.isEmpty() && text != u"open example.com")
            QVERIFY(result.failed);
        const bool switched = korvaneInFront && knownBefore && text != u"open example.com";
        QCOMPARE(fixture.workspace->activated,
                 switched ? QList{gedit} : QList<RunningApplication>{});
    }

    void emptyInputsAnswerWithoutCalling_data()
    {
        QTest::addColumn<ComputerUseCommand>("command");
        QTest::addColumn<QString>("summary");
        QTest::newRow("type") << ComputerUseCommand::typeText(QStringLiteral(" \n "))
                              << QStringLiteral("No text provided.");
        QTest::newRow("field missing")
            << ComputerUseCommand::typeTextIntoField(QStringLiteral("hi"), QStringLiteral("  "))
            << QStringLiteral("No text or field provided.");
        QTest::newRow("search") << ComputerUseCommand::searchWeb(QStringLiteral("  "))
                                << QStringLiteral("No search query provided.");
        QTest::newRow("sequence") << ComputerUseCommand::sequence({})
                                  << QStringLiteral("No command provided.");
    }
    void emptyInputsAnswerWithoutCalling()
    {
        QFETCH(ComputerUseCommand, command);
        QFETCH(QString, summary);
        Fixture fixture;
        const ComputerUseResult result = fixture.run(command);
        QCOMPARE(result.summary, summary);
        QVERIFY(!result.artifact);
        QVERIFY(fixture.ui->calls.isEmpty());
        QVERIFY(fixture.searchedQueries.isEmpty());
        QVERIFY(fixture.pacing->sleeps.isEmpty());
    }

    void sequenceReturnsTheLastStepAndPausesAfterEach()
    {
        Fixture fixture;
        fixture.ui->answer = UIAutomationResult::failed(QStringLiteral("Could not find OK."));
        fixture.searchResults = {{QStringLiteral("A"), QStringLiteral("https://a.test"),
                                  QStringLiteral("a"), std::nullopt, std::nullopt, std::nullopt,
                                  std::nullopt}};
        // A failing first step does not stop the sequence; a nested sequence recurses.
        const ComputerUseResult result = fixture.run(ComputerUseCommand::sequence({
            ComputerUseCommand::clickElement(QStringLiteral("OK")),
            ComputerUseCommand::sequence({ComputerUseCommand::typeText(QStringLiteral("a"))}),
            ComputerUseCommand::searchWeb(QStringLiteral("cats")),
        }));
        QCOMPARE(result.summary, QStringLiteral("Found 1 search results for \"cats\"."));
        QVERIFY(result.artifact);
        QCOMPARE(fixture.ui->calls, (QStringList{QStringLiteral("clickVisibleElement(OK)"),
                                                 QStringLiteral("typeText(a)")}));
        // One pause after each of the four steps, the nested one and the last included.
        QCOMPARE(fixture.pacing->sleeps,
                 (QList<std::chrono::milliseconds>{350ms, 350ms, 350ms, 350ms}));
    }

    void searchWebAttachesTheResultArtifact_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("summary");
        QTest::newRow("none") << 0 << QStringLiteral("No search results found for \"red fox\".");
        QTest::newRow("two") << 2 << QStringLiteral("Found 2 search results for \"red fox\".");
    }
    void searchWebAttachesTheResultArtifact()
    {
        QFETCH(int, count);
        QFETCH(QString, summary);
        Fixture fixture;
        for (int i = 0; i < count; ++i)
            fixture.searchResults.append(
                {QStringLiteral("T%1").arg(i), QStringLiteral("https://x.test/%1").arg(i),
                 QStringLiteral("s"), std::nullopt, std::nullopt, std::nullopt, std::nullopt});
        const ComputerUseResult result =
            fixture.run(ComputerUseCommand::searchWeb(QStringLiteral("  red fox ")));
        QCOMPARE(result.summary, summary);
        QCOMPARE(fixture.searchedQueries, QStringList{QStringLiteral("red fox")});
        QVERIFY(result.artifact);
        QCOMPARE(result.artifact->kind, ArtifactKind::search);
        QCOMPARE(result.artifact->body, encodeSearchResults(fixture.searchResults));
    }

    void inspectUIListsElements()
    {
        Fixture fixture;
        MacComputerUseService executor = fixture.service();
        fixture.ui->elements = {
            {QStringLiteral("AXButton"), QStringLiteral("AXCloseButton"), QStringLiteral("OK"),
             QStringLiteral(""), std::nullopt},
            {QStringLiteral("AXTextField"), QString(), QStringLiteral("To"),
             QStringLiteral("Recipient"), QStringLiteral("ann@example.com")},
            {QStringLiteral("AXCheckBox"), QString(), QStringLiteral("Bold"), std::nullopt,
             QStringLiteral("")},
        };
        QCOMPARE(QCoro::waitFor(executor.inspectUI()).summary,
                 QStringLiteral("Interactive elements in the active window:\n\n"
                                "- [AXButton] \"OK\"\n"
                                "- [AXTextField] \"To\" (Recipient) = \"ann@example.com\"\n"
                                "- [AXCheckBox] \"Bold\"\n"));
    }

    void clickPrefersTheBrowserPage_data()
    {
        QTest::addColumn<bool>("handled");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("uiCalls");
        QTest::newRow("handled") << true << QStringLiteral("Clicked Sign in.") << QStringList{};
        QTest::newRow("falls back") << false << QStringLiteral("Done.")
                                    << QStringList{QStringLiteral("clickVisibleElement(Sign in)")};
    }
    void clickPrefersTheBrowserPage()
    {
        QFETCH(bool, handled);
        QFETCH(QString, summary);
        QFETCH(QStringList, uiCalls);
        Fixture fixture;
        fixture.browsers->frontmostBrowser =
            BrowserTarget{QStringLiteral("Safari"), BrowserStyle::safari};
        fixture.browsers->clickAnswer = {handled, QStringLiteral("Clicked Sign in.")};
        QCOMPARE(fixture.run(ComputerUseCommand::clickElement(QStringLiteral("Sign in"))).summary,
                 summary);
        QCOMPARE(fixture.browsers->calls, QStringList{QStringLiteral("click(Safari, Sign in)")});
        QCOMPARE(fixture.ui->calls, uiCalls);
    }

    void openURLNormalizesAndReports_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<BrowserOpenResult>("browser");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("summary");
        const BrowserOpenResult noBrowser;
        QTest::newRow("no scheme") << QStringLiteral(" example.org/path ") << noBrowser << true
                                   << QStringLiteral("https://example.org/path")
                                   << QStringLiteral("Opened example.org/path.");
        QTest::newRow("refused") << QStringLiteral("example.org") << noBrowser << false
                                 << QStringLiteral("https://example.org")
                                 << QStringLiteral("Could not open example.org.");
        QTest::newRow("empty") << QStringLiteral("  ") << noBrowser << true << QString()
                               << QStringLiteral("Could not open   .");
        // A browser Korvane drives took it: the desktop's handler is not asked.
        QTest::newRow("in a driven browser")
            << QStringLiteral("example.org") << BrowserOpenResult{true, std::nullopt} << false
            << QString() << QStringLiteral("Opened example.org.");
        QTest::newRow("the driven browser failed")
            << QStringLiteral("example.org")
            << BrowserOpenResult{true, QStringLiteral("Chromium did not answer in time.")} << true
            << QString()
            << QStringLiteral("Could not open example.org: Chromium did not answer in time.");
    }
    void openURLNormalizesAndReports()
    {
        QFETCH(QString, text);
        QFETCH(BrowserOpenResult, browser);
        QFETCH(bool, succeeds);
        QFETCH(QString, opened);
        QFETCH(QString, summary);
        Fixture fixture;
        fixture.browsers->openAnswer = browser;
        fixture.workspace->openSucceeds = succeeds;
        QCOMPARE(fixture.run(ComputerUseCommand::openURL(text)).summary, summary);
        if (opened.isEmpty())
            QVERIFY(fixture.workspace->openedUrls.isEmpty());
        else
            QCOMPARE(fixture.workspace->openedUrls, QList<QUrl>{QUrl(opened)});
    }

    void closeWebsiteMatchesHostsBothWays_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("safariTab");
        QTest::addColumn<QString>("chromeTab");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("closed");
        QTest::newRow("parent domain")
            << QStringLiteral("news.example.com") << QStringLiteral("https://www.example.com/a")
            << QStringLiteral("https://m.news.example.com/")
            << QStringLiteral("Closed example.com.")
            << QStringList{QStringLiteral("close(Safari)")};
        QTest::newRow("sub domain, first browser skipped")
            << QStringLiteral("news.example.com") << QStringLiteral("https://other.org")
            << QStringLiteral("https://m.news.example.com/")
            << QStringLiteral("Closed m.news.example.com.")
            << QStringList{QStringLiteral("close(Google Chrome)")};
        QTest::newRow("suffix is not a domain")
            << QStringLiteral("example.com") << QStringLiteral("https://badexample.com")
            << QString() << QStringLiteral("Could not find an active example.com browser tab.")
            << QStringList{};
        QTest::newRow("www dropped")
            << QStringLiteral("https://WWW.Example.com/x") << QStringLiteral("example.com")
            << QString() << QStringLiteral("Closed example.com.")
            << QStringList{QStringLiteral("close(Safari)")};
    }
    void closeWebsiteMatchesHostsBothWays()
    {
        QFETCH(QString, target);
        QFETCH(QString, safariTab);
        QFETCH(QString, chromeTab);
        QFETCH(QString, summary);
        QFETCH(QStringList, closed);
        Fixture fixture;
        fixture.browsers->runningBrowsers = {
            {QStringLiteral("Safari"), BrowserStyle::safari},
            {QStringLiteral("Google Chrome"), BrowserStyle::chromium}};
        if (!safariTab.isEmpty())
            fixture.browsers->activeTabs.insert(QStringLiteral("Safari"), safariTab);
        if (!chromeTab.isEmpty())
            fixture.browsers->activeTabs.insert(QStringLiteral("Google Chrome"), chromeTab);
        QCOMPARE(fixture.run(ComputerUseCommand::closeWebsite(target)).summary, summary);
        QCOMPARE(fixture.browsers->calls, closed);
    }

    void closeWebsiteReportsTheCloseError()
    {
        Fixture fixture;
        fixture.browsers->runningBrowsers = {{QStringLiteral("Safari"), BrowserStyle::safari}};
        fixture.browsers->activeTabs.insert(QStringLiteral("Safari"),
                                            QStringLiteral("https://example.com"));
        fixture.browsers->closeError = QStringLiteral("No browser window is open.");
        QCOMPARE(fixture.run(ComputerUseCommand::closeWebsite(QStringLiteral("www.example.com")))
                     .summary,
                 QStringLiteral("Could not close example.com: No browser window is open."));
    }

    void closeActiveTabPicksABrowser_data()
    {
        QTest::addColumn<bool>("frontmost");
        QTest::addColumn<bool>("chromeHasTab");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("closed");
        QTest::newRow("frontmost") << true << false << QStringLiteral("Closed the active tab.")
                                   << QStringList{QStringLiteral("close(Safari)")};
        QTest::newRow("first running with a tab")
            << false << true << QStringLiteral("Closed the active tab.")
            << QStringList{QStringLiteral("close(Google Chrome)")};
        QTest::newRow("none") << false << false
                              << QStringLiteral("No active browser tab was found.")
                              << QStringList{};
    }
    void closeActiveTabPicksABrowser()
    {
        QFETCH(bool, frontmost);
        QFETCH(bool, chromeHasTab);
        QFETCH(QString, summary);
        QFETCH(QStringList, closed);
        Fixture fixture;
        const BrowserTarget safari{QStringLiteral("Safari"), BrowserStyle::safari};
        if (frontmost)
            fixture.browsers->frontmostBrowser = safari;
        fixture.browsers->runningBrowsers = {
            safari, {QStringLiteral("Google Chrome"), BrowserStyle::chromium}};
        if (chromeHasTab)
            fixture.browsers->activeTabs.insert(QStringLiteral("Google Chrome"),
                                                QStringLiteral("https://a.test"));
        QCOMPARE(fixture.run(ComputerUseCommand::closeActiveTab()).summary, summary);
        QCOMPARE(fixture.browsers->calls, closed);
    }

    void openAppWaitsForTheFrontmostApplication_data()
    {
        QTest::addColumn<std::optional<QString>>("identifier");
        QTest::addColumn<QList<std::optional<RunningApplication>>>("frontmost");
        QTest::addColumn<int>("polls");
        QTest::addColumn<std::chrono::milliseconds>("slept");

        const std::optional<QString> editor = QStringLiteral("org.editor.desktop");
        QTest::newRow("frontmost on the third look")
            << editor
            << QList<std::optional<RunningApplication>>{std::nullopt, runningWith(std::nullopt),
                                                        runningWith(editor)}
            << 3 << std::chrono::milliseconds(700);
        QTest::newRow("never frontmost")
            << editor
            << QList<std::optional<RunningApplication>>{runningWith(QStringLiteral("other"))} << 20
            << std::chrono::milliseconds(2500);
        // No identifier waits it out, unless the frontmost application has none either.
        QTest::newRow("no identifier, frontmost has one")
            << std::optional<QString>{}
            << QList<std::optional<RunningApplication>>{runningWith(editor)} << 20
            << std::chrono::milliseconds(2500);
        QTest::newRow("no identifier on either side")
            << std::optional<QString>{}
            << QList<std::optional<RunningApplication>>{runningWith(std::nullopt)} << 1
            << std::chrono::milliseconds(500);
    }
    void openAppWaitsForTheFrontmostApplication()
    {
        QFETCH(std::optional<QString>, identifier);
        QFETCH(QList<std::optional<RunningApplication>>, frontmost);
        QFETCH(int, polls);
        QFETCH(std::chrono::milliseconds, slept);
        Fixture fixture;
        const InstalledApplication editor = application(QStringLiteral("Photo Editor Pro"));
        fixture.catalog->installed = {editor};
        if (identifier)
            fixture.catalog->identifiers.insert(editor.url, *identifier);
        fixture.workspace->frontmostAnswers = frontmost;
        const ComputerUseResult result =
            fixture.run(ComputerUseCommand::openApp(QStringLiteral("photo editor")));
        QCOMPARE(result.summary, QStringLiteral("Opened Photo Editor Pro."));
        QCOMPARE(fixture.workspace->openedApplications, QList<QUrl>{editor.url});
        QCOMPARE(fixture.workspace->frontmostQueries, polls);
        QCOMPARE(fixture.pacing->totalSlept(), slept);
        QCOMPARE(fixture.pacing->sleeps.last(), 500ms);
    }

    void openAppFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<QString>>("launchError");
        QTest::addColumn<QString>("summary");
        QTest::newRow("not found") << QStringLiteral("Nowhere App") << std::optional<QString>{}
                                   << QStringLiteral("Could not find Nowhere App.");
        QTest::newRow("only punctuation") << QStringLiteral("!!") << std::optional<QString>{}
                                          << QStringLiteral("Could not find !!.");
        QTest::newRow("launch failed")
            << QStringLiteral("editor")
            << std::optional<QString>{QStringLiteral("No such file or directory")}
            << QStringLiteral("Could not open Photo Editor Pro: No such file or directory");
    }
    void openAppFailures()
    {
        QFETCH(QString, name);
        QFETCH(std::optional<QString>, launchError);
        QFETCH(QString, summary);
        Fixture fixture;
        fixture.catalog->installed = {application(QStringLiteral("Photo Editor Pro"))};
        fixture.workspace->openApplicationError = launchError;
        QCOMPARE(fixture.run(ComputerUseCommand::openApp(name)).summary, summary);
        QCOMPARE(fixture.workspace->frontmostQueries, 0);
    }

    void blankPagesDocument_data()
    {
        QTest::addColumn<std::optional<QString>>("documentError");
        QTest::addColumn<std::optional<UIAutomationResult>>("keyAnswer");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("uiCalls");
        QTest::newRow("made directly")
            << std::optional<QString>{} << std::optional<UIAutomationResult>{}
            << QStringLiteral("Created a blank Pages document.") << QStringList{};
        QTest::newRow("fallback key")
            << std::optional<QString>{QStringLiteral("not installed")}
            << std::optional<UIAutomationResult>{UIAutomationResult::succeeded(
                   QStringLiteral("Pressed Control-N."))}
            << QStringLiteral("Created a blank Pages document.")
            << QStringList{QStringLiteral("pressKey(Control-N)")};
        QTest::newRow("both fail")
            << std::optional<QString>{QStringLiteral("not installed")}
            << std::optional<UIAutomationResult>{UIAutomationResult::failed(
                   QStringLiteral("Could not press Control-N."))}
            << QStringLiteral("Could not create a blank Pages document: Could not press Control-N.")
            << QStringList{QStringLiteral("pressKey(Control-N)")};
        QTest::newRow("fallback without text uses the first error")
            << std::optional<QString>{QStringLiteral("not installed")}
            << std::optional<UIAutomationResult>{UIAutomationResult::failed(QString())}
            << QStringLiteral("Could not create a blank Pages document: not installed")
            << QStringList{QStringLiteral("pressKey(Control-N)")};
    }
    void blankPagesDocument()
    {
        QFETCH(std::optional<QString>, documentError);
        QFETCH(std::optional<UIAutomationResult>, keyAnswer);
        QFETCH(QString, summary);
        QFETCH(QStringList, uiCalls);
        Fixture fixture;
        const InstalledApplication writer = application(QStringLiteral("LibreOffice Writer"));
        fixture.catalog->byRole.insert(QStringLiteral("word processor"), writer);
        fixture.documents->error = documentError;
        fixture.ui->pressKeyAnswer = keyAnswer;
        QCOMPARE(fixture.run(ComputerUseCommand::createPagesDocument()).summary, summary);
        QCOMPARE(fixture.workspace->openedApplications.first(), writer.url);
        QCOMPARE(fixture.documents->created, 1);
        QCOMPARE(fixture.ui->calls, uiCalls);
    }

    void desktopBackendsWithoutADesktop()
    {
        // The real backends, with no display, no session bus and so no accessibility bus,
        // browser or music player: each says what is missing instead of pretending.
        qputenv("DISPLAY", "");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/korvane-test-bus");
        ComputerUseBackends backends;
        backends.ports = composeDesktop(DesktopSession{}).ports;
        backends.pacing = std::make_shared<FakePacing>();
        MacComputerUseService executor(std::move(backends));
        QCOMPARE(QCoro::waitFor(executor.typeText(QStringLiteral("x"))).summary,
                 operations::permissionSentence());
        QCOMPARE(QCoro::waitFor(executor.execute(ComputerUseCommand::closeActiveTab())).summary,
                 QStringLiteral("No active browser tab was found."));
        QCOMPARE(QCoro::waitFor(executor.execute(ComputerUseCommand::music(MusicCommand::pause())))
                     .summary,
                 QStringLiteral("Could not stop Music: No music player is running."));
        QCOMPARE(QCoro::waitFor(executor.inspectUI()).summary,
                 QStringLiteral("No interactive elements found. Ensure the application is focused "
                                "and has fully loaded."));
    }
};

QTEST_GUILESS_MAIN(TestComputerUseService)
#include "tst_computeruseservice.moc"
