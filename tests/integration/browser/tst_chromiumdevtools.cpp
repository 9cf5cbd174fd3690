#include "core/HttpFetch.h"
#include "fakes/FakeWorkspace.h"
#include "platform/linux/devtools/ChromiumLaunchFlags.h"
#include "platform/linux/devtools/DevToolsBrowserAutomation.h"
#include "platform/linux/devtools/DevToolsSocketCall.h"
#include "platform/linux/devtools/DevToolsTargetList.h"
#include "platform/linux/devtools/PageClickScript.h"
#include "platform/linux/devtools/RuntimeEvaluation.h"
#include "support/LoopbackHttpServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <qcoro/qcorotask.h>

#include <unistd.h>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)

namespace {

const QByteArray startPage = R"(<!doctype html><html><head><title>start</title></head><body>
<button style="display:none" onclick="document.title='hidden'">Sign in</button>
<a href="#" onclick="document.title='prefix'; return false;">Sign in later</a>
<button onclick="document.title='signed in'">Sign in</button>
<button onclick="document.title='quoted'">Say "hi" \ now</button>
<span role="button" aria-label="Open the menu" onclick="document.title='menu'">&#9776;</span>
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

} // namespace

// The DevTools backend against a real headless Chromium showing pages of a loopback server.
class ChromiumDevToolsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void readsTheActiveTab();
    void labelsReachThePageAsTyped_data();
    void labelsReachThePageAsTyped();
    void clicksByLabel_data();
    void clicksByLabel();
    void missingElementOpensTheSection();
    void navigates();
    void closesOnlyTheActiveTab();

private:
    QList<DevToolsTarget> pages();
    std::optional<DevToolsTarget> activePage();
    // The active page's value of `expression`.
    QJsonValue evaluate(const QString& expression);
    bool waitForActiveURL(const QUrl& url);
    void openStartPage();

    QTemporaryDir m_root;
    QProcess m_browser;
    quint16 m_port = 0;
    LoopbackHttpServer m_pages;
    std::shared_ptr<FakeWorkspace> m_workspace = std::make_shared<FakeWorkspace>();
    std::unique_ptr<DevToolsBrowserAutomation> m_browsers;
    BrowserTarget m_target{};
};

void ChromiumDevToolsTest::initTestCase()
{
    QString program;
    for (const char16_t* name : {u"chromium", u"chromium-browser", u"google-chrome"}) {
        program = QStandardPaths::findExecutable(QString::fromUtf16(name));
        if (!program.isEmpty())
            break;
    }
    if (program.isEmpty())
        QSKIP("chromium is not installed; the DevTools integration test needs it");
    QVERIFY(m_root.isValid());
    QVERIFY(m_pages.isListening());
    qputenv("KORVANE_ENV_FILES", "");
    qunsetenv("KORVANE_APPLE_SITE");

    m_pages.setRoute("GET", u"/start"_qs, html(startPage));
    m_pages.setRoute("GET", u"/pricing/"_qs, html(titledPage("pricing")));
    m_pages.setRoute("GET", u"/second"_qs, html(titledPage("second")));
    m_pages.setRoute("GET", u"/favicon.ico"_qs, Response::withStatus(404));

    // The port is picked here rather than left to the browser (port 0), so the browser runs
    // with exactly the switches Korvane gives it, the allowed origin included.
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        m_port = probe.serverPort();
    }
    const QString profile = m_root.filePath(u"profile"_qs);
    QStringList arguments = ChromiumLaunchFlags::flags(m_port, profile);
    arguments << u"--headless=new"_qs << u"--no-first-run"_qs << u"--no-default-browser-check"_qs
              << u"--disable-background-networking"_qs << u"--disable-component-update"_qs
              << u"--disable-sync"_qs << u"--disable-extensions"_qs << u"--disable-default-apps"_qs
              << u"--disable-gpu"_qs << u"--no-proxy-server"_qs
              << u"--password-store=basic"_qs
              // Nothing but this machine resolves, whatever a page or the browser asks for.
              << u"--host-resolver-rules=MAP * ~NOTFOUND , EXCLUDE 127.0.0.1"_qs
              << u"--window-size=1024,768"_qs;
    if (::geteuid() == 0)
        arguments << u"--no-sandbox"_qs;
    arguments << m_pages.url(u"/start"_qs).toString();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_qs, m_root.filePath(u"home"_qs));
    environment.insert(u"XDG_CONFIG_HOME"_qs, m_root.filePath(u"home/.config"_qs));
    environment.insert(u"XDG_CACHE_HOME"_qs, m_root.filePath(u"home/.cache"_qs));
    environment.remove(u"DISPLAY"_qs);
    m_browser.setProcessEnvironment(environment);
    m_browser.setProgram(program);
    m_browser.setArguments(arguments);
    m_browser.setProcessChannelMode(QProcess::MergedChannels);
    m_browser.start();
    if (!m_browser.waitForStarted(10000))
        QSKIP("chromium could not start");

    // With a fixed port the browser writes no DevToolsActivePort file: wait for its tab list.
    const bool listening = QTest::qWaitFor([&] { return !pages().isEmpty(); }, 30000);
    if (!listening) {
        qWarning().noquote() << m_browser.readAll().right(2000);
        QSKIP("chromium started but opened no DevTools port");
    }
    qputenv("KORVANE_BROWSER_DEBUG_PORT", QByteArray::number(m_port));

    m_workspace->frontmostAnswers = {RunningApplication{u"chromium.desktop"_qs, u"Chromium"_qs, 1}};
    m_browsers = std::make_unique<DevToolsBrowserAutomation>(m_workspace);
    const std::optional<BrowserTarget> target = QCoro::waitFor(m_browsers->frontmost());
    QVERIFY(target);
    m_target = *target;
    QCOMPARE(m_target.scriptName, u"Chromium"_qs);
    QVERIFY(waitForActiveURL(m_pages.url(u"/start"_qs)));
}

void ChromiumDevToolsTest::cleanupTestCase()
{
    m_browsers.reset();
    if (m_browser.state() != QProcess::NotRunning) {
        m_browser.terminate();
        if (!m_browser.waitForFinished(10000)) {
            m_browser.kill();
            m_browser.waitForFinished(5000);
        }
    }
    qunsetenv("KORVANE_BROWSER_DEBUG_PORT");
}

void ChromiumDevToolsTest::init()
{
    QVERIFY(m_browser.state() == QProcess::Running);
}

QList<DevToolsTarget> ChromiumDevToolsTest::pages()
{
    HttpFetchRequest request;
    request.request =
        QNetworkRequest(QUrl(u"http://127.0.0.1:"_qs + QString::number(m_port) + u"/json/list"_qs));
    request.timeout = 2s;
    const HttpFetchResult reply = QCoro::waitFor(fetchHttp(std::move(request)));
    QList<DevToolsTarget> found;
    for (const DevToolsTarget& target :
         DevToolsTargetList::parse(reply.body).value_or(QList<DevToolsTarget>())) {
        if (target.type == u"page")
            found.append(target);
    }
    return found;
}

std::optional<DevToolsTarget> ChromiumDevToolsTest::activePage()
{
    const QList<DevToolsTarget> found = pages();
    return found.isEmpty() ? std::nullopt : std::optional(found.first());
}

QJsonValue ChromiumDevToolsTest::evaluate(const QString& expression)
{
    const std::optional<DevToolsTarget> page = activePage();
    if (!page)
        return QJsonValue(QJsonValue::Undefined);
    const DevToolsCallOutcome outcome = QCoro::waitFor(DevToolsSocketCall::call(
        QUrl(page->webSocketDebuggerUrl), ChromiumLaunchFlags::origin(m_port),
        u"Runtime.evaluate"_qs, RuntimeEvaluation::params(expression), {5s, 5s}));
    if (!outcome.result) {
        qWarning() << "evaluate failed:" << outcome.detail;
        return QJsonValue(QJsonValue::Undefined);
    }
    return RuntimeEvaluation::read(*outcome.result).value;
}

bool ChromiumDevToolsTest::waitForActiveURL(const QUrl& url)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::optional<QString> address = QCoro::waitFor(m_browsers->activeTabURL(m_target));
        if (address == url.toString() && evaluate(u"document.readyState"_qs) == u"complete"_qs)
            return true;
        QTest::qWait(100);
    }
    return false;
}

void ChromiumDevToolsTest::openStartPage()
{
    QCOMPARE(QCoro::waitFor(m_browsers->navigateActiveTab(m_target, m_pages.url(u"/start"_qs))),
             OptionalText());
    QVERIFY(waitForActiveURL(m_pages.url(u"/start"_qs)));
}

void ChromiumDevToolsTest::readsTheActiveTab()
{
    openStartPage();
    QCOMPARE(QCoro::waitFor(m_browsers->activeTabURL(m_target)),
             OptionalText(m_pages.url(u"/start"_qs).toString()));
    QCOMPARE(QCoro::waitFor(m_browsers->running()), QList<BrowserTarget>{m_target});
}

void ChromiumDevToolsTest::labelsReachThePageAsTyped_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("quotes and backslashes") << u"Say \"hi\" \\ now \\\" end"_qs;
    QTest::newRow("closing script tag") << u"</script><script>document.title='owned'</script>"_qs;
    QTest::newRow("string end and statement") << u"\"); document.title = ('owned"_qs;
    QTest::newRow("line breaks and separators") << u"a\nb\r\nc\u2028d\u2029e"_qs;
    QTest::newRow("letters beyond ascii") << u"Café \U0001F600"_qs;
}

void ChromiumDevToolsTest::labelsReachThePageAsTyped()
{
    QFETCH(QString, label);
    QCOMPARE(evaluate(PageClickScript::stringLiteral(label)).toString(), label);
    QVERIFY(evaluate(u"document.title"_qs) != u"owned"_qs);
}

void ChromiumDevToolsTest::clicksByLabel_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("title");
    // The visible exact match beats a hidden twin and a longer label that starts the same.
    QTest::newRow("exact label") << u"sign in"_qs << u"Clicked sign in."_qs << u"signed in"_qs;
    QTest::newRow("typed with quotes and a backslash")
        << u"Say \"hi\" \\ now"_qs << u"Clicked say hi now."_qs << u"quoted"_qs;
    QTest::newRow("aria label of an icon")
        << u"menu"_qs << u"Clicked open the menu."_qs << u"menu"_qs;
}

void ChromiumDevToolsTest::clicksByLabel()
{
    QFETCH(QString, name);
    QFETCH(QString, summary);
    QFETCH(QString, title);
    openStartPage();
    QCOMPARE(QCoro::waitFor(m_browsers->clickPageElement(m_target, name)),
             (BrowserClickResult{true, summary}));
    QCOMPARE(evaluate(u"document.title"_qs).toString(), title);
}

void ChromiumDevToolsTest::missingElementOpensTheSection()
{
    openStartPage();
    m_pages.clearRequests();
    // The page has links in view, none of them "pricing": none may be clicked instead.
    QCOMPARE(QCoro::waitFor(m_browsers->clickPageElement(m_target, u"Pricing"_qs)),
             (BrowserClickResult{true, u"Opened Pricing."_qs}));
    QVERIFY(waitForActiveURL(m_pages.url(u"/pricing/"_qs)));
    QCOMPARE(m_pages.requests("GET", u"/pricing/"_qs).size(), 1);
    QCOMPARE(m_pages.requests("GET", u"/elsewhere"_qs).size(), 0);

    // Five words: no fallback, the page's own answer comes back unhandled.
    QCOMPARE(QCoro::waitFor(m_browsers->clickPageElement(m_target, u"read the full story now"_qs)),
             (BrowserClickResult{false, u"not-found:read the full story now"_qs}));
}

void ChromiumDevToolsTest::navigates()
{
    openStartPage();
    QCOMPARE(QCoro::waitFor(m_browsers->navigateActiveTab(m_target, m_pages.url(u"/second"_qs))),
             OptionalText());
    QVERIFY(waitForActiveURL(m_pages.url(u"/second"_qs)));
    QCOMPARE(evaluate(u"document.title"_qs).toString(), u"second"_qs);
}

void ChromiumDevToolsTest::closesOnlyTheActiveTab()
{
    openStartPage();
    const QString first = activePage()->id;
    // A second tab, which becomes the active one.
    HttpFetchRequest request;
    request.request =
        QNetworkRequest(QUrl(u"http://127.0.0.1:"_qs + QString::number(m_port) + u"/json/new?"_qs +
                             m_pages.url(u"/second"_qs).toString()));
    request.method = "PUT";
    request.timeout = 5s;
    const HttpFetchResult created = QCoro::waitFor(fetchHttp(std::move(request)));
    QVERIFY2(created.hasSuccessStatus(), created.body.constData());
    QVERIFY(waitForActiveURL(m_pages.url(u"/second"_qs)));
    const QString second = activePage()->id;
    QVERIFY(second != first);

    QCOMPARE(QCoro::waitFor(m_browsers->closeActiveTab(m_target)), OptionalText());
    QVERIFY(QTest::qWaitFor([&] { return pages().size() == 1; }, 10000));
    QCOMPARE(activePage()->id, first);
}

QTEST_GUILESS_MAIN(ChromiumDevToolsTest)
#include "tst_chromiumdevtools.moc"
