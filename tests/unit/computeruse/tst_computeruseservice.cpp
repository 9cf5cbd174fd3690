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
    return {name, QUrl::fromLocalFile(u"/apps/"_qs + name + u".desktop"_qs)};
}

RunningApplication runningWith(std::optional<QString> identifier)
{
    return {std::move(identifier), u"window"_qs, 42};
}

} // namespace

class TestComputerUseService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each operation reaches its port with its payload trimmed, or answers without calling.
    void dispatch_data()
    {
        QTest::addColumn<ComputerUseCommand>("command");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("call"); // empty: none
        QTest::newRow("music") << ComputerUseCommand::music(MusicCommand::play(
                                      u"jazz"_qs, MusicScope::playlist(u"Road Trip"_qs)))
                               << u"play jazz in playlist Road Trip."_qs
                               << u"music:play jazz in playlist Road Trip"_qs;
        QTest::newRow("type into field")
            << ComputerUseCommand::typeTextIntoField(u" hi "_qs, u" To "_qs) << u"Done."_qs
            << u"typeText(hi, To)"_qs;
        QTest::newRow("click without browser") << ComputerUseCommand::clickElement(u"OK"_qs)
                                               << u"Done."_qs << u"clickVisibleElement(OK)"_qs;
        QTest::newRow("blank field") << ComputerUseCommand::typeTextIntoField(u"hi"_qs, u"  "_qs)
                                     << u"No text or field provided."_qs << QString();
        QTest::newRow("blank search") << ComputerUseCommand::searchWeb(u"  "_qs)
                                      << u"No search query provided."_qs << QString();
        QTest::newRow("application not found") << ComputerUseCommand::openApp(u"Nowhere App"_qs)
                                               << u"Could not find Nowhere App."_qs << QString();
        QTest::newRow("empty sequence")
            << ComputerUseCommand::sequence({}) << u"No command provided."_qs << QString();
    }
    void dispatch()
    {
        QFETCH(ComputerUseCommand, command);
        QFETCH(QString, summary);
        QFETCH(QString, call);
        Fixture fixture;
        const ComputerUseResult result = fixture.run(command);
        QCOMPARE(result.summary, summary);
        QVERIFY(!result.artifact);
        QStringList made = fixture.ui->calls;
        for (const QString& musicCall : std::as_const(fixture.music->calls))
            made.append(u"music:"_qs + musicCall);
        QCOMPARE(made, call.isEmpty() ? QStringList{} : QStringList{call});
        QVERIFY(fixture.searchedQueries.isEmpty());
        QVERIFY(fixture.pacing->sleeps.isEmpty());
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
        QTest::addColumn<QString>("call"); // empty: none

        const QString refused = u"Could not bring Gedit to the front, so the command was not "
                                u"carried out."_qs;
        QTest::newRow("another program in front")
            << u"type hello"_qs << false << true << 1 << u"Done."_qs << u"typeText(hello)"_qs;
        QTest::newRow("nothing used before")
            << u"type hello"_qs << true << false << 1
            << u"No other application was in use before Korvane, so the command was not carried "
               u"out. Switch to it and try again."_qs
            << QString();
        QTest::newRow("switch refused")
            << u"type hello"_qs << true << true << 0 << refused << QString();
        QTest::newRow("switch never lands")
            << u"type hello"_qs << true << true << 2 << refused << QString();
        QTest::newRow("opening needs no switch") << u"open example.com"_qs << true << true << 1
                                                 << u"Opened example.com."_qs << QString();
        QTest::newRow("blank") << u"\n\t "_qs << false << true << 1 << u"No command provided."_qs
                               << QString();
    }
    void typedCommandsActOnTheApplicationUsedBefore()
    {
        QFETCH(QString, text);
        QFETCH(bool, korvaneInFront);
        QFETCH(bool, knownBefore);
        QFETCH(int, activation);
        QFETCH(QString, summary);
        QFETCH(QString, call);
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
        QCOMPARE(fixture.ui->calls, call.isEmpty() ? QStringList{} : QStringList{call});
        // Nothing done for want of the program is a failure (korvane-cli exits 1).
        if (call.isEmpty() && text != u"open example.com")
            QVERIFY(result.failed);
        const bool switched = korvaneInFront && knownBefore && text != u"open example.com";
        QCOMPARE(fixture.workspace->activated,
                 switched ? QList{gedit} : QList<RunningApplication>{});
    }

    // The last step's result, here a search with its results attached.
    void sequenceReturnsTheLastStepAndPausesAfterEach()
    {
        Fixture fixture;
        fixture.ui->answer = UIAutomationResult::failed(u"Could not find OK."_qs);
        fixture.searchResults = {{u"A"_qs, u"https://a.test"_qs, u"a"_qs, std::nullopt,
                                  std::nullopt, std::nullopt, std::nullopt}};
        // A failing first step does not stop the sequence; a nested sequence recurses.
        const ComputerUseResult result = fixture.run(ComputerUseCommand::sequence({
            ComputerUseCommand::clickElement(u"OK"_qs),
            ComputerUseCommand::sequence({ComputerUseCommand::typeText(u"a"_qs)}),
            ComputerUseCommand::searchWeb(u" cats\n"_qs),
        }));
        QCOMPARE(result.summary, u"Found 1 search results for \"cats\"."_qs);
        QCOMPARE(fixture.searchedQueries, QStringList{u"cats"_qs});
        QVERIFY(result.artifact);
        QCOMPARE(result.artifact->kind, ArtifactKind::search);
        QCOMPARE(result.artifact->body, encodeSearchResults(fixture.searchResults));
        QCOMPARE(fixture.ui->calls,
                 (QStringList{u"clickVisibleElement(OK)"_qs, u"typeText(a)"_qs}));
        // One pause after each of the four steps, the nested one and the last included.
        QCOMPARE(fixture.pacing->sleeps,
                 (QList<std::chrono::milliseconds>{350ms, 350ms, 350ms, 350ms}));
    }

    void inspectUIListsElements()
    {
        Fixture fixture;
        MacComputerUseService executor = fixture.service();
        fixture.ui->elements = {
            {u"AXButton"_qs, u"AXCloseButton"_qs, u"OK"_qs, u""_qs, std::nullopt},
            {u"AXTextField"_qs, QString(), u"To"_qs, u"Recipient"_qs, u"ann@example.com"_qs},
            {u"AXCheckBox"_qs, QString(), u"Bold"_qs, std::nullopt, u""_qs},
        };
        QCOMPARE(QCoro::waitFor(executor.inspectUI()).summary,
                 u"Interactive elements in the active window:\n\n"
                 u"- [AXButton] \"OK\"\n"
                 u"- [AXTextField] \"To\" (Recipient) = \"ann@example.com\"\n"
                 u"- [AXCheckBox] \"Bold\"\n"_qs);
    }

    // A page the browser could not click on is clicked through the accessibility tree.
    void clickFallsBackFromTheBrowserPage()
    {
        Fixture fixture;
        fixture.browsers->frontmostBrowser = BrowserTarget{u"Safari"_qs, BrowserStyle::safari};
        QCOMPARE(fixture.run(ComputerUseCommand::clickElement(u"Sign in"_qs)).summary, u"Done."_qs);
        QCOMPARE(fixture.browsers->calls, QStringList{u"click(Safari, Sign in)"_qs});
        QCOMPARE(fixture.ui->calls, QStringList{u"clickVisibleElement(Sign in)"_qs});
    }

    void openURLNormalizesAndReports_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<QString>>("browserError");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("summary");
        const std::optional<QString> noBrowser;
        QTest::newRow("no scheme")
            << u" example.org/path "_qs << noBrowser << true << u"https://example.org/path"_qs
            << u"Opened example.org/path."_qs;
        QTest::newRow("refused") << u"example.org"_qs << noBrowser << false
                                 << u"https://example.org"_qs << u"Could not open example.org."_qs;
        QTest::newRow("a space in the path is no address")
            << u"example.com/a b"_qs << noBrowser << true << QString()
            << u"Could not open example.com/a b."_qs;
        QTest::newRow("another scheme is no address")
            << u"ftp:x"_qs << noBrowser << true << QString() << u"Could not open ftp:x."_qs;
        // A browser Korvane drives took it: the desktop's handler is not asked.
        QTest::newRow("the driven browser failed")
            << u"example.org"_qs << std::optional<QString>(u"Chromium did not answer in time."_qs)
            << true << QString()
            << u"Could not open example.org: Chromium did not answer in time."_qs;
    }
    void openURLNormalizesAndReports()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<QString>, browserError);
        QFETCH(bool, succeeds);
        QFETCH(QString, opened);
        QFETCH(QString, summary);
        Fixture fixture;
        if (browserError)
            fixture.browsers->openAnswer = {true, browserError};
        fixture.workspace->openSucceeds = succeeds;
        QCOMPARE(fixture.run(ComputerUseCommand::openURL(text)).summary, summary);
        QCOMPARE(fixture.workspace->openedUrls,
                 opened.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl(opened)});
    }

    // Safari and Chrome run, neither in front; a website's tab matches on its host both ways.
    void closingTabs_data()
    {
        QTest::addColumn<ComputerUseCommand>("command");
        QTest::addColumn<QString>("safariTab");
        QTest::addColumn<QString>("chromeTab");
        QTest::addColumn<std::optional<QString>>("closeError");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("closed");
        const std::optional<QString> closes;
        const auto website = [](const char* text) {
            return ComputerUseCommand::closeWebsite(QString::fromUtf8(text));
        };
        QTest::newRow("website on a parent domain")
            << website("News.Example.com") << u"https://www.example.com./a"_qs
            << u"https://m.news.example.com/"_qs << closes << u"Closed example.com."_qs
            << QStringList{u"close(Safari)"_qs};
        QTest::newRow("website on a sub domain, first browser skipped")
            << website("news.example.com") << u"https://other.org"_qs
            << u"https://m.news.example.com/"_qs << closes << u"Closed m.news.example.com."_qs
            << QStringList{u"close(Google Chrome)"_qs};
        QTest::newRow("a suffix is not a domain")
            << website("example.com") << u"https://badexample.com"_qs << QString() << closes
            << u"Could not find an active example.com browser tab."_qs << QStringList{};
        QTest::newRow("website, closing fails")
            << website("www.example.com") << u"https://example.com"_qs << QString()
            << std::optional<QString>(u"No browser window is open."_qs)
            << u"Could not close example.com: No browser window is open."_qs
            << QStringList{u"close(Safari)"_qs};
        QTest::newRow("active tab of the first running browser with one")
            << ComputerUseCommand::closeActiveTab() << QString() << u"https://a.test"_qs << closes
            << u"Closed the active tab."_qs << QStringList{u"close(Google Chrome)"_qs};
    }
    void closingTabs()
    {
        QFETCH(ComputerUseCommand, command);
        QFETCH(QString, safariTab);
        QFETCH(QString, chromeTab);
        QFETCH(std::optional<QString>, closeError);
        QFETCH(QString, summary);
        QFETCH(QStringList, closed);
        Fixture fixture;
        fixture.browsers->runningBrowsers = {{u"Safari"_qs, BrowserStyle::safari},
                                             {u"Google Chrome"_qs, BrowserStyle::chromium}};
        if (!safariTab.isEmpty())
            fixture.browsers->activeTabs.insert(u"Safari"_qs, safariTab);
        if (!chromeTab.isEmpty())
            fixture.browsers->activeTabs.insert(u"Google Chrome"_qs, chromeTab);
        fixture.browsers->closeError = closeError;
        QCOMPARE(fixture.run(command).summary, summary);
        QCOMPARE(fixture.browsers->calls, closed);
    }

    // Once launched, the application is waited for until it is in front, 2 s at most.
    void openApp_data()
    {
        QTest::addColumn<std::optional<QString>>("identifier");
        QTest::addColumn<QList<std::optional<RunningApplication>>>("frontmost");
        QTest::addColumn<std::optional<QString>>("launchError");
        QTest::addColumn<int>("polls");
        QTest::addColumn<QString>("summary");

        const std::optional<QString> editor = u"org.editor.desktop"_qs;
        const std::optional<QString> launches;
        const QString opened = u"Opened Photo Editor Pro."_qs;
        QTest::newRow("never frontmost")
            << editor << QList<std::optional<RunningApplication>>{runningWith(u"other"_qs)}
            << launches << 20 << opened;
        // No identifier on either side counts as the same application.
        QTest::newRow("no identifier on either side")
            << std::optional<QString>{}
            << QList<std::optional<RunningApplication>>{runningWith(std::nullopt)} << launches << 1
            << opened;
        QTest::newRow("launch failed")
            << editor << QList<std::optional<RunningApplication>>{}
            << std::optional<QString>{u"No such file or directory"_qs} << 0
            << u"Could not open Photo Editor Pro: No such file or directory"_qs;
    }
    void openApp()
    {
        QFETCH(std::optional<QString>, identifier);
        QFETCH(QList<std::optional<RunningApplication>>, frontmost);
        QFETCH(std::optional<QString>, launchError);
        QFETCH(int, polls);
        QFETCH(QString, summary);
        Fixture fixture;
        const InstalledApplication editor = application(u"Photo Editor Pro"_qs);
        fixture.catalog->installed = {editor};
        if (identifier)
            fixture.catalog->identifiers.insert(editor.url, *identifier);
        fixture.workspace->frontmostAnswers = frontmost;
        fixture.workspace->openApplicationError = launchError;
        QCOMPARE(fixture.run(ComputerUseCommand::openApp(u"photo editor"_qs)).summary, summary);
        QCOMPARE(fixture.workspace->openedApplications, QList<QUrl>{editor.url});
        QCOMPARE(fixture.workspace->frontmostQueries, polls);
        if (!launchError)
            QCOMPARE(fixture.pacing->sleeps.last(), 500ms);
    }

    // When the document port cannot make one, the word processor is asked through its own
    // new-document key; a failure says why, in the words of the last attempt.
    void blankPagesDocumentFallsBackToTheKey()
    {
        Fixture fixture;
        const InstalledApplication writer = application(u"LibreOffice Writer"_qs);
        fixture.catalog->byRole.insert(u"word processor"_qs, writer);
        fixture.documents->error = u"not installed"_qs;
        fixture.ui->pressKeyAnswer = UIAutomationResult::failed(u"Could not press Control-N."_qs);
        QCOMPARE(fixture.run(ComputerUseCommand::createPagesDocument()).summary,
                 u"Could not create a blank Pages document: Could not press Control-N."_qs);
        QCOMPARE(fixture.workspace->openedApplications, (QList<QUrl>{writer.url, writer.url}));
        QCOMPARE(fixture.ui->calls, QStringList{u"pressKey(Control-N)"_qs});
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
        QCOMPARE(QCoro::waitFor(executor.typeText(u"x"_qs)).summary,
                 operations::permissionSentence());
        QCOMPARE(QCoro::waitFor(executor.execute(ComputerUseCommand::closeActiveTab())).summary,
                 u"No active browser tab was found."_qs);
        QCOMPARE(QCoro::waitFor(executor.execute(ComputerUseCommand::music(MusicCommand::pause())))
                     .summary,
                 u"Could not stop Music: No music player is running."_qs);
        QCOMPARE(QCoro::waitFor(executor.inspectUI()).summary,
                 u"No interactive elements found. Ensure the application is focused and has "
                 u"fully loaded."_qs);
    }
};

QTEST_GUILESS_MAIN(TestComputerUseService)
#include "tst_computeruseservice.moc"
