// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ApplicationComposition.h"
#include "computeruse/MacComputerUseService.h"
#include "platform/BrowserAutomation.h"
#include "platform/linux/browser/BrowserHostSockets.h"
#include "platform/linux/browser/KnownBrowsers.h"
#include "platform/linux/browser/PageClickScript.h"
#include "platform/linux/browser/TabProtocol.h"
#include "support/FailureOf.h"
#include "support/LoopbackHttpServer.h"
#include "support/desktop/TestDesktop.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <qcoro/qcorotask.h>

#include <csignal>
#include <unistd.h>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

using OptionalText = std::optional<QString>;

namespace {

const QByteArray startPage = R"(<!doctype html><html><head><title>start</title></head><body>
<button style="display:none" onclick="document.title='hidden'">Continue</button>
<a href="#" onclick="document.title='prefix'; return false;">Continue later</a>
<button onclick="document.title='continued'">Continue</button>
<a href="#" onclick="document.title='details'; return false;">Read the details</a>
<a href="/elsewhere">Elsewhere</a>
</body></html>)";

QByteArray titledPage(const QByteArray& title)
{
    return "<!doctype html><html><head><title>" + title + "</title></head><body><p>" + title +
           "</p></body></html>";
}

Response html(QByteArray body)
{
    Response response;
    response.headers = {{"Content-Type", "text/html; charset=utf-8"}};
    response.body = std::move(body);
    return response;
}

// Firefox would otherwise reach out to the internet on its own (updates, telemetry, remote
// settings, welcome pages): everything but this machine goes to a proxy that is not there.
const QByteArray quietFirefox = R"(user_pref("network.proxy.type", 1);
user_pref("network.proxy.http", "127.0.0.1");
user_pref("network.proxy.http_port", 9);
user_pref("network.proxy.ssl", "127.0.0.1");
user_pref("network.proxy.ssl_port", 9);
user_pref("network.proxy.no_proxies_on", "127.0.0.1");
user_pref("network.proxy.allow_hijacking_localhost", false);
user_pref("network.trr.mode", 5);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("dom.push.connection.enabled", false);
user_pref("app.update.disabledForTesting", true);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.policy.firstRunURL", "");
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("browser.aboutwelcome.enabled", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.page", 0);
)";

} // namespace

// The browsers Korvane drives, for real, on the test's own X desktop: Chromium over its
// DevTools pipe and Firefox ESR over WebDriver BiDi, each the desktop's default browser in
// turn, launched by Korvane itself and showing pages of a loopback server.
class BrowsersTest final : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    TestDesktop m_desktop;
    LoopbackHttpServer m_pages;
    PlatformPorts m_ports;
    QString m_desktopId;

    void stopBrowsers()
    {
        const BrowserHostSockets::Folder folder = BrowserHostSockets::folder();
        if (!folder.path)
            return;
        const QDir sockets(*folder.path);
        for (const QString& socket : sockets.entryList({u"*.sock"_qs}, QDir::System)) {
            const BrowserHostLink::Pointer link =
                QCoro::waitFor(BrowserHostLink::connect(sockets.filePath(socket), 2s));
            if (!link)
                continue;
            ::kill(pid_t(link->greeting().processId), SIGTERM);
            // The host removes its socket once its browser has gone.
            QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(sockets.filePath(socket)), 20000);
        }
    }

    BrowserHostLink::Pointer link()
    {
        const BrowserHostSockets::Folder folder = BrowserHostSockets::folder();
        return QCoro::waitFor(BrowserHostLink::connect(
            BrowserHostSockets::socketPath(folder.path.value_or(QString()), m_desktopId), 2s));
    }

    // The row's browser as Korvane started it.
    BrowserTarget target()
    {
        const BrowserHostLink::Pointer host = link();
        if (!host)
            return {};
        return KnownBrowsers::target(*KnownBrowsers::forDesktopId(m_desktopId),
                                     host->greeting().processId);
    }

    QList<BrowserTab> tabs()
    {
        const BrowserHostLink::Pointer host = link();
        if (!host)
            return {};
        return QCoro::waitFor(TabProtocol::forLink(host, {})->tabs(host)).tabs;
    }

    // `expression` in the tab showing `url`.
    QJsonValue evaluateIn(const QUrl& url, const QString& expression)
    {
        const BrowserHostLink::Pointer host = link();
        if (!host)
            return QJsonValue::Undefined;
        const std::unique_ptr<TabProtocol> protocol = TabProtocol::forLink(host, {});
        for (const BrowserTab& tab : QCoro::waitFor(protocol->tabs(host)).tabs) {
            if (tab.url == url.toString())
                return QCoro::waitFor(protocol->evaluate(host, tab, expression)).value;
        }
        return QJsonValue::Undefined;
    }

    bool waitForFrontPage(const QUrl& url)
    {
        return QTest::qWaitFor(
            [&] {
                return QCoro::waitFor(m_ports.browsers->activeTabURL(target())) == url.toString() &&
                       evaluateIn(url, u"document.readyState"_qs) == u"complete"_qs;
            },
            20000);
    }

    void showStartPage()
    {
        QCOMPARE(QCoro::waitFor(failureOf(
                     m_ports.browsers->navigateActiveTab(target(), m_pages.url(u"/start"_qs)))),
                 OptionalText());
        QVERIFY(waitForFrontPage(m_pages.url(u"/start"_qs)));
    }

private Q_SLOTS:
    void initTestCase_data()
    {
        QTest::addColumn<QString>("desktopId");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");

        QString sandbox = ::geteuid() == 0 ? u"--no-sandbox "_qs : QString();
        QTest::newRow("chromium")
            << u"chromium.desktop"_qs << u"chromium"_qs
            << u"chromium "_qs + sandbox +
                   u"--disable-gpu --no-proxy-server --password-store=basic "
                   u"--disable-background-networking --disable-component-update --disable-sync "
                   u"--host-resolver-rules=\"MAP * ~NOTFOUND , EXCLUDE 127.0.0.1\" %U"_qs;
        QTest::newRow("firefox esr")
            << u"firefox-esr.desktop"_qs << u"firefox-esr"_qs << u"firefox-esr %u"_qs;
    }

    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QVERIFY(m_pages.isListening());
        QString why;
        if (!m_desktop.startWindowManager(&why) || !m_desktop.startSessionBus(&why))
            QSKIP(qPrintable(why));

        // The person's home is the test's: Korvane's profiles, the browsers' and their sockets.
        for (const char* folder :
             {"home", "home/.config", "home/.local/share/applications", "runtime", "empty"})
            QVERIFY(QDir().mkpath(m_root.filePath(QString::fromLatin1(folder))));
        QFile::setPermissions(m_root.filePath(u"runtime"_qs), QFileDevice::ReadOwner |
                                                                  QFileDevice::WriteOwner |
                                                                  QFileDevice::ExeOwner);
        qputenv("HOME", m_root.filePath(u"home"_qs).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_root.filePath(u"home/.config"_qs).toUtf8());
        qputenv("XDG_DATA_HOME", m_root.filePath(u"home/.local/share"_qs).toUtf8());
        qputenv("XDG_DATA_DIRS", m_root.filePath(u"empty"_qs).toUtf8());
        qputenv("XDG_RUNTIME_DIR", m_root.filePath(u"runtime"_qs).toUtf8());
        qputenv("KORVANE_ENV_FILES", "");
        qunsetenv("BROWSER");
        qunsetenv("KORVANE_NAVIGATION_SITE");
        qunsetenv("KORVANE_APPLE_SITE");

        // The person's own Firefox profile, as Firefox registers it.
        const QString firefox = m_root.filePath(u"home/.config/mozilla/firefox"_qs);
        QVERIFY(QDir().mkpath(firefox + u"/abcd1234.default-esr"_qs));
        QFile ini(firefox + u"/profiles.ini"_qs);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Profile0]\nName=default-esr\nIsRelative=1\nPath=abcd1234.default-esr\n"
                  "Default=1\n\n[General]\nStartWithLastProfile=1\nVersion=2\n");
        ini.close();
        QFile prefs(firefox + u"/abcd1234.default-esr/user.js"_qs);
        QVERIFY(prefs.open(QIODevice::WriteOnly));
        prefs.write(quietFirefox);
        prefs.close();

        m_pages.setRoute("GET", u"/start"_qs, html(startPage));
        m_pages.setRoute("GET", u"/pricing/"_qs, html(titledPage("pricing")));
        m_pages.setRoute("GET", u"/second"_qs, html(titledPage("second")));
        m_pages.setRoute("GET", u"/third"_qs, html(titledPage("third")));
        m_pages.setRoute("GET", u"/favicon.ico"_qs, Response::withStatus(404));
        m_ports = composeDesktop(DesktopSession::current()).ports;
    }

    void cleanupTestCase() { stopBrowsers(); }

    void init()
    {
        QFETCH_GLOBAL(QString, desktopId);
        QFETCH_GLOBAL(QString, program);
        QFETCH_GLOBAL(QString, exec);
        if (QStandardPaths::findExecutable(program).isEmpty())
            QSKIP(qPrintable(program + u" is not installed"_qs));
        // The row's browser is the default one. Both stay up once started; each row drives its
        // own.
        QFile entry(m_root.filePath(u"home/.local/share/applications/"_qs + desktopId));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Test Browser\nExec=" + exec.toUtf8() +
                    "\n");
        entry.close();
        QFile defaults(m_root.filePath(u"home/.config/mimeapps.list"_qs));
        QVERIFY(defaults.open(QIODevice::WriteOnly));
        defaults.write("[Default Applications]\nx-scheme-handler/http=" + desktopId.toUtf8() +
                       "\nx-scheme-handler/https=" + desktopId.toUtf8() + "\n");
        m_desktopId = desktopId;
        if (!link() && qstrcmp(QTest::currentTestFunction(),
                               "opensTheDefaultBrowserAndActsOnTheFrontPage") != 0)
            QCOMPARE(QCoro::waitFor(m_ports.browsers->openURL(m_pages.url(u"/start"_qs))),
                     (BrowserOpenResult{true, std::nullopt}));
    }

    void opensTheDefaultBrowserAndActsOnTheFrontPage()
    {
        MacComputerUseService executor(ComputerUseBackends{.ports = m_ports});
        const QUrl start = m_pages.url(u"/start"_qs);
        // Korvane starts the default browser itself, then opens the page in it: one browser.
        QCOMPARE(
            QCoro::waitFor(executor.execute(u"open safari and then go to "_qs + start.toString()))
                .summary,
            u"Opened "_qs + start.toString() + u'.');
        QVERIFY(waitForFrontPage(start));
        const std::optional<BrowserTarget> browser = QCoro::waitFor(m_ports.browsers->frontmost());
        QVERIFY(browser);
        QCOMPARE(browser->desktopId, m_desktopId);
        const qsizetype before = tabs().size();
        QVERIFY(before >= 2);

        QCOMPARE(QCoro::waitFor(executor.execute(u"click Continue"_qs)).summary,
                 u"Clicked continue."_qs);
        QCOMPARE(evaluateIn(start, u"document.title"_qs).toString(), u"continued"_qs);

        // Which tab closes is closesOnlyTheActiveTab's.
        QCOMPARE(QCoro::waitFor(executor.execute(u"close this tab"_qs)).summary,
                 u"Closed the active tab."_qs);
        QCOMPARE(tabs().size(), before - 1);
    }

    void clicksByLabel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<BrowserClickResult>("expected");
        QTest::addColumn<QString>("title");

        // The visible exact match beats a hidden twin and a longer label that starts the same.
        QTest::newRow("button") << u"continue"_qs
                                << BrowserClickResult{true, u"Clicked continue."_qs}
                                << u"continued"_qs;
        // None on the page: the section of the same site opens instead, nothing else is clicked.
        QTest::newRow("missing: the section opens")
            << u"Pricing"_qs << BrowserClickResult{true, u"Opened Pricing."_qs} << u"pricing"_qs;
        QTest::newRow("missing, five words: not handled")
            << u"read the full story now"_qs
            << BrowserClickResult{false, u"not-found:read the full story now"_qs} << u"start"_qs;
    }

    void clicksByLabel()
    {
        QFETCH(QString, name);
        QFETCH(BrowserClickResult, expected);
        QFETCH(QString, title);
        showStartPage();
        QCOMPARE(QCoro::waitFor(m_ports.browsers->clickPageElement(target(), name)), expected);
        const QUrl shown =
            title == u"pricing" ? m_pages.url(u"/pricing/"_qs) : m_pages.url(u"/start"_qs);
        QVERIFY(waitForFrontPage(shown));
        QCOMPARE(evaluateIn(shown, u"document.title"_qs).toString(), title);
        QCOMPARE(m_pages.requests("GET", u"/elsewhere"_qs).size(), 0);
    }

    void closesOnlyTheActiveTab()
    {
        // Two new tabs; the later one is in front and is the one closed.
        const BrowserHostLink::Pointer host = link();
        QVERIFY(host);
        const std::unique_ptr<TabProtocol> protocol = TabProtocol::forLink(host, {});
        const auto opens = [&](QString path) -> QCoro::Task<bool> {
            auto opening = protocol->openTab(host, m_pages.url(path));
            co_return (co_await opening).succeeded();
        };
        QVERIFY(QCoro::waitFor(opens(u"/second"_qs)));
        QVERIFY(QCoro::waitFor(opens(u"/third"_qs)));
        QVERIFY(waitForFrontPage(m_pages.url(u"/third"_qs)));
        const qsizetype before = tabs().size();

        QCOMPARE(QCoro::waitFor(failureOf(m_ports.browsers->closeActiveTab(target()))),
                 OptionalText());
        const QList<BrowserTab> after = tabs();
        QCOMPARE(after.size(), before - 1);
        const auto showing = [&](const char16_t* path) {
            return std::any_of(after.cbegin(), after.cend(), [&](const BrowserTab& tab) {
                return tab.url == m_pages.url(QString::fromUtf16(path)).toString();
            });
        };
        QVERIFY(!showing(u"/third"));
        QVERIFY(showing(u"/second"));
    }

    void anotherCopyIsNotDriven()
    {
        // A copy of the browser Korvane did not start (another process) is named, never driven.
        BrowserTarget stranger = target();
        QVERIFY(stranger.processId > 0);
        stranger.processId = ::getpid();
        const QString name = stranger.scriptName;
        QCOMPARE(QCoro::waitFor(failureOf(m_ports.browsers->closeActiveTab(stranger))),
                 OptionalText(name +
                              u" was not opened by Korvane, so Korvane cannot reach its tabs. "
                              u"Quit "_qs +
                              name + u" and open it again from Korvane."_qs));
        QCOMPARE(QCoro::waitFor(m_ports.browsers->activeTabURL(stranger)), OptionalText());
    }
};

QTEST_GUILESS_MAIN(BrowsersTest)
#include "tst_browsers.moc"
