#include "fakes/FakeWorkspace.h"
#include "platform/linux/devtools/DevToolsBrowserAutomation.h"
#include "support/LoopbackHttpServer.h"
#include "support/LoopbackWebSocketServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)
Q_DECLARE_METATYPE(BrowserClickResult)

namespace {

const BrowserTarget chromium{u"Chromium"_qs, BrowserStyle::chromium};

RunningApplication application(const char16_t* desktopId, const char16_t* windowClass)
{
    return {QString::fromUtf16(desktopId), QString::fromUtf16(windowClass), 1};
}

// How the fake tab answers one method.
enum class TabAnswer { result, error, never, close };

struct MethodScript {
    TabAnswer answer = TabAnswer::result;
    // The reply's "result" (answer result) or the error's message (answer error).
    QJsonObject result{};
    QString errorMessage{};
};

QJsonObject json(const char* text)
{
    return QJsonDocument::fromJson(text).object();
}

QJsonObject evaluated(const QString& value)
{
    return {{u"result"_qs, QJsonObject{{u"type"_qs, u"string"_qs}, {u"value"_qs, value}}}};
}

quint16 unusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

} // namespace

Q_DECLARE_METATYPE(MethodScript)
Q_DECLARE_METATYPE(Response)
using OptionalApplication = std::optional<RunningApplication>;
Q_DECLARE_METATYPE(OptionalApplication)

class DevToolsBrowserAutomationTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void frontmostAndRunning_data();
    void frontmostAndRunning();
    void activeTabURL_data();
    void activeTabURL();
    void closeActiveTab_data();
    void closeActiveTab();
    void navigateActiveTab_data();
    void navigateActiveTab();
    void clickPageElement_data();
    void clickPageElement();
    void endpointProblems_data();
    void endpointProblems();
    void tabSocketProblems_data();
    void tabSocketProblems();
    void repliesAreMatchedById();
    void emptyClickTargetAsksNothing();
    void invalidPortSetting();

private:
    // A target list with one page on the fake tab socket.
    QByteArray listWithPage(const QString& url, const QString& socketUrl = {}) const;
    void serveList(const QByteArray& body);
    void scriptTab(const QString& method, MethodScript script);
    QStringList methodsCalled() const;
    QJsonObject paramsOf(const QString& method) const;
    // Tab connections since the test function began.
    int connections() const;

    // Kept for the whole run: the data tables already name the tab's address.
    LoopbackHttpServer m_http;
    LoopbackWebSocketServer m_tab;
    int m_connectionsBefore = 0;
    std::shared_ptr<FakeWorkspace> m_workspace;
    std::unique_ptr<DevToolsBrowserAutomation> m_browsers;
    // For the cases that must give up: a tab or port that never answers.
    std::unique_ptr<DevToolsBrowserAutomation> m_impatient;
};

void DevToolsBrowserAutomationTest::initTestCase()
{
    QVERIFY(m_http.isListening());
    QVERIFY(m_tab.isListening());
    qputenv("KORVANE_ENV_FILES", "");
    qunsetenv("KORVANE_APPLE_SITE");
}

void DevToolsBrowserAutomationTest::init()
{
    m_http.clearRoutes();
    m_http.clearRequests();
    m_tab.clearReplies();
    m_tab.clearMessages();
    QVERIFY(m_tab.waitForOpenConnections(0));
    m_connectionsBefore = m_tab.connectionCount();
    qputenv("KORVANE_BROWSER_DEBUG_PORT", QByteArray::number(m_http.port()));
    m_workspace = std::make_shared<FakeWorkspace>();
    m_browsers = std::make_unique<DevToolsBrowserAutomation>(m_workspace);
    m_impatient = std::make_unique<DevToolsBrowserAutomation>(
        m_workspace, nullptr, DevToolsBrowserAutomation::Deadlines{300ms, 300ms, 300ms, 300ms});
}

void DevToolsBrowserAutomationTest::cleanup()
{
    m_browsers.reset();
    m_impatient.reset();
    qunsetenv("KORVANE_BROWSER_DEBUG_PORT");
}

int DevToolsBrowserAutomationTest::connections() const
{
    return m_tab.connectionCount() - m_connectionsBefore;
}

QByteArray DevToolsBrowserAutomationTest::listWithPage(const QString& url,
                                                       const QString& socketUrl) const
{
    const QJsonArray list{
        QJsonObject{{u"id"_qs, u"W1"_qs},
                    {u"type"_qs, u"service_worker"_qs},
                    {u"url"_qs, u"https://worker.invalid/sw.js"_qs},
                    {u"webSocketDebuggerUrl"_qs, m_tab.url(u"/devtools/page/W1"_qs).toString()}},
        QJsonObject{
            {u"id"_qs, u"TAB-1"_qs},
            {u"type"_qs, u"page"_qs},
            {u"title"_qs, u"First"_qs},
            {u"url"_qs, url},
            {u"webSocketDebuggerUrl"_qs,
             socketUrl.isEmpty() ? m_tab.url(u"/devtools/page/TAB-1"_qs).toString() : socketUrl}},
        QJsonObject{{u"id"_qs, u"TAB-2"_qs},
                    {u"type"_qs, u"page"_qs},
                    {u"url"_qs, u"http://127.0.0.1:1/older"_qs},
                    {u"webSocketDebuggerUrl"_qs, m_tab.url(u"/devtools/page/TAB-2"_qs).toString()}},
    };
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

void DevToolsBrowserAutomationTest::serveList(const QByteArray& body)
{
    m_http.setRoute("GET", u"/json/list"_qs, Response::json(body));
}

void DevToolsBrowserAutomationTest::scriptTab(const QString& method, MethodScript script)
{
    m_tab.addReplyMaker(
        [method](const WebSocketMessage& message) {
            return message.json() && message.json()->value(u"method").toString() == method;
        },
        [script](const WebSocketMessage& message) {
            const QJsonValue id = message.json()->value(u"id");
            ScriptedReply reply;
            switch (script.answer) {
            case TabAnswer::result:
                reply.texts.append(QString::fromUtf8(
                    QJsonDocument(QJsonObject{{u"id"_qs, id}, {u"result"_qs, script.result}})
                        .toJson(QJsonDocument::Compact)));
                break;
            case TabAnswer::error:
                reply.texts.append(QString::fromUtf8(
                    QJsonDocument(QJsonObject{{u"id"_qs, id},
                                              {u"error"_qs,
                                               QJsonObject{{u"code"_qs, -32000},
                                                           {u"message"_qs, script.errorMessage}}}})
                        .toJson(QJsonDocument::Compact)));
                break;
            case TabAnswer::never:
                break;
            case TabAnswer::close:
                reply.closeCode = QWebSocketProtocol::CloseCodeGoingAway;
                break;
            }
            return reply;
        });
}

QStringList DevToolsBrowserAutomationTest::methodsCalled() const
{
    QStringList methods;
    const QList<WebSocketMessage> messages = m_tab.messages();
    for (const WebSocketMessage& message : messages)
        methods.append(message.json().value_or(QJsonObject()).value(u"method").toString());
    return methods;
}

QJsonObject DevToolsBrowserAutomationTest::paramsOf(const QString& method) const
{
    const QList<WebSocketMessage> messages = m_tab.messages();
    for (const WebSocketMessage& message : messages) {
        const QJsonObject object = message.json().value_or(QJsonObject());
        if (object.value(u"method").toString() == method)
            return object.value(u"params").toObject();
    }
    return {};
}

void DevToolsBrowserAutomationTest::frontmostAndRunning_data()
{
    QTest::addColumn<QList<RunningApplication>>("running");
    QTest::addColumn<OptionalApplication>("front");
    QTest::addColumn<QStringList>("expectedRunning");
    QTest::addColumn<QString>("expectedFrontmost");

    const RunningApplication firefox = application(u"firefox-esr.desktop", u"firefox-esr");
    const RunningApplication chrome = application(u"google-chrome.desktop", u"Google-chrome");
    const RunningApplication brave = application(u"brave-browser.desktop", u"Brave-browser");
    const RunningApplication edge = application(u"microsoft-edge.desktop", u"Microsoft-edge");
    QTest::newRow("desktop order; a listed frontmost browser is not moved")
        << QList{firefox, chrome, brave} << std::optional(brave)
        << QStringList{u"Google Chrome"_qs, u"Brave Browser"_qs} << u"Brave Browser"_qs;
    QTest::newRow("an unlisted frontmost browser goes first")
        << QList{chrome} << std::optional(edge)
        << QStringList{u"Microsoft Edge"_qs, u"Google Chrome"_qs} << u"Microsoft Edge"_qs;
    QTest::newRow("frontmost is not a browser") << QList{chrome, firefox} << std::optional(firefox)
                                                << QStringList{u"Google Chrome"_qs} << QString();
    QTest::newRow("one entry per running instance")
        << QList{chrome, application(u"google-chrome.desktop", u"Google-chrome")}
        << OptionalApplication() << QStringList{u"Google Chrome"_qs, u"Google Chrome"_qs}
        << QString();
    QTest::newRow("nothing runs") << QList<RunningApplication>{} << OptionalApplication()
                                  << QStringList() << QString();
}

void DevToolsBrowserAutomationTest::frontmostAndRunning()
{
    QFETCH(QList<RunningApplication>, running);
    QFETCH(OptionalApplication, front);
    QFETCH(QStringList, expectedRunning);
    QFETCH(QString, expectedFrontmost);
    m_workspace->running = running;
    m_workspace->frontmostAnswers = {front};

    QStringList names;
    for (const BrowserTarget& browser : QCoro::waitFor(m_browsers->running())) {
        QCOMPARE(browser.style, BrowserStyle::chromium);
        names.append(browser.scriptName);
    }
    QCOMPARE(names, expectedRunning);
    const std::optional<BrowserTarget> frontmost = QCoro::waitFor(m_browsers->frontmost());
    QCOMPARE(frontmost ? frontmost->scriptName : QString(), expectedFrontmost);
}

void DevToolsBrowserAutomationTest::activeTabURL_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<OptionalText>("expected");

    QTest::newRow("first page, after a worker") << listWithPage(u"https://example.com/a"_qs) << true
                                                << OptionalText(u"https://example.com/a"_qs);
    QTest::newRow("trimmed") << listWithPage(u"  https://example.com/a \n"_qs) << true
                             << OptionalText(u"https://example.com/a"_qs);
    QTest::newRow("empty address") << listWithPage(u" "_qs) << true << OptionalText();
    QTest::newRow("no page") << QByteArray(R"([{"id":"W","type":"service_worker","url":"u"}])")
                             << true << OptionalText();
    QTest::newRow("not a list") << QByteArray("<html>nope</html>") << true << OptionalText();
    QTest::newRow("nothing listens") << QByteArray() << false << OptionalText();
}

void DevToolsBrowserAutomationTest::activeTabURL()
{
    QFETCH(QByteArray, list);
    QFETCH(bool, reachable);
    QFETCH(OptionalText, expected);
    serveList(list);
    if (!reachable)
        qputenv("KORVANE_BROWSER_DEBUG_PORT", QByteArray::number(unusedPort()));
    QCOMPARE(QCoro::waitFor(m_browsers->activeTabURL(chromium)), expected);
    QCOMPARE(connections(), 0);
}

void DevToolsBrowserAutomationTest::closeActiveTab_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<int>("closeStatus");
    QTest::addColumn<OptionalText>("expected");
    QTest::addColumn<bool>("closeAsked");

    QTest::newRow("closes the first page")
        << listWithPage(u"https://example.com/"_qs) << 200 << OptionalText() << true;
    QTest::newRow("browser refuses") << listWithPage(u"https://example.com/"_qs) << 404
                                     << OptionalText(u"Browser automation failed."_qs) << true;
    QTest::newRow("no window") << QByteArray("[]") << 200
                               << OptionalText(u"No browser window is open."_qs) << false;
}

void DevToolsBrowserAutomationTest::closeActiveTab()
{
    QFETCH(QByteArray, list);
    QFETCH(int, closeStatus);
    QFETCH(OptionalText, expected);
    QFETCH(bool, closeAsked);
    serveList(list);
    m_http.setRoute("GET", u"/json/close/TAB-1"_qs,
                    Response::text("Target is closing", closeStatus));

    QCOMPARE(QCoro::waitFor(m_browsers->closeActiveTab(chromium)), expected);
    QCOMPARE(m_http.requests("GET", u"/json/close/TAB-1"_qs).size(), closeAsked ? 1 : 0);
    // Only the active tab: the older one is left alone.
    QCOMPARE(m_http.requests("GET", u"/json/close/TAB-2"_qs).size(), 0);
}

void DevToolsBrowserAutomationTest::navigateActiveTab_data()
{
    QTest::addColumn<MethodScript>("navigate");
    QTest::addColumn<OptionalText>("expected");

    QTest::newRow("navigated") << MethodScript{TabAnswer::result, json(R"({"frameId":"F"})"), {}}
                               << OptionalText();
    QTest::newRow("page could not load")
        << MethodScript{TabAnswer::result,
                        json(R"({"frameId":"F","errorText":"net::ERR_CONNECTION_REFUSED"})"),
                        {}}
        << OptionalText(u"The page could not be opened: net::ERR_CONNECTION_REFUSED"_qs);
    QTest::newRow("command rejected")
        << MethodScript{TabAnswer::error, {}, u"Cannot navigate to invalid URL"_qs}
        << OptionalText(u"Cannot navigate to invalid URL."_qs);
}

void DevToolsBrowserAutomationTest::navigateActiveTab()
{
    QFETCH(MethodScript, navigate);
    QFETCH(OptionalText, expected);
    serveList(listWithPage(u"https://example.com/"_qs));
    scriptTab(u"Page.navigate"_qs, navigate);

    const QUrl target(u"https://example.com/a b?q=\"x\""_qs);
    QCOMPARE(QCoro::waitFor(m_browsers->navigateActiveTab(chromium, target)), expected);

    QCOMPARE(methodsCalled(), QStringList{u"Page.navigate"_qs});
    QCOMPARE(paramsOf(u"Page.navigate"_qs).value(u"url").toString(),
             target.toString(QUrl::FullyEncoded));
    const std::optional<WebSocketHandshake> handshake = m_tab.lastHandshake();
    QVERIFY(handshake);
    QCOMPARE(handshake->path, u"/devtools/page/TAB-1"_qs);
    // The origin the browser was told to allow when Korvane started it.
    QCOMPARE(handshake->header("Origin"), "http://127.0.0.1:" + QByteArray::number(m_http.port()));
}

void DevToolsBrowserAutomationTest::clickPageElement_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tabAddress");
    QTest::addColumn<MethodScript>("evaluate");
    QTest::addColumn<MethodScript>("navigate");
    QTest::addColumn<BrowserClickResult>("expected");
    QTest::addColumn<QStringList>("methods");
    QTest::addColumn<QString>("navigatedTo");

    const MethodScript navigated{TabAnswer::result, json(R"({"frameId":"F"})"), {}};
    const MethodScript failedLoad{
        TabAnswer::result, json(R"({"frameId":"F","errorText":"net::ERR_FAILED"})"), {}};
    const QStringList evaluateOnly{u"Runtime.evaluate"_qs};
    const QStringList evaluateThenNavigate{u"Runtime.evaluate"_qs, u"Page.navigate"_qs};

    QTest::newRow("clicked") << u"  sign in "_qs << u"https://example.com/"_qs
                             << MethodScript{TabAnswer::result, evaluated(u"clicked:sign in"_qs)}
                             << navigated << BrowserClickResult{true, u"Clicked sign in."_qs}
                             << evaluateOnly << QString();
    QTest::newRow("not found: slug on the same site")
        << u"Pricing"_qs << u"https://example.com/products"_qs
        << MethodScript{TabAnswer::result, evaluated(u"not-found:pricing"_qs)} << navigated
        << BrowserClickResult{true, u"Opened Pricing."_qs} << evaluateThenNavigate
        << u"https://example.com/pricing/"_qs;
    QTest::newRow("not found on the apple site")
        << u"TV & Home"_qs << u"https://www.apple.com/"_qs
        << MethodScript{TabAnswer::result, evaluated(u"not-found:tv home"_qs)} << navigated
        << BrowserClickResult{true, u"Opened TV & Home."_qs} << evaluateThenNavigate
        << u"https://www.apple.com/tv-home/"_qs;
    QTest::newRow("not found, no fallback for five words")
        << u"read the full story now"_qs << u"https://example.com/"_qs
        << MethodScript{TabAnswer::result, evaluated(u"not-found:read the full story now"_qs)}
        << navigated << BrowserClickResult{false, u"not-found:read the full story now"_qs}
        << evaluateOnly << QString();
    QTest::newRow("not found, fallback page fails to load")
        << u"Pricing"_qs << u"https://example.com/"_qs
        << MethodScript{TabAnswer::result, evaluated(u"not-found:pricing"_qs)} << failedLoad
        << BrowserClickResult{false, u"not-found:pricing"_qs} << evaluateThenNavigate
        << u"https://example.com/pricing/"_qs;
    QTest::newRow("no answer text, no fallback")
        << u"read the full story now"_qs << u"https://example.com/"_qs
        << MethodScript{TabAnswer::result, json(R"({"result":{"type":"undefined"}})")} << navigated
        << BrowserClickResult{false, u"Could not click read the full story now."_qs} << evaluateOnly
        << QString();
    QTest::newRow("not found on a new-tab page")
        << u"Pricing"_qs << u"chrome://newtab/"_qs
        << MethodScript{TabAnswer::result, evaluated(u"not-found:pricing"_qs)} << navigated
        << BrowserClickResult{false, u"not-found:pricing"_qs} << evaluateOnly << QString();
    QTest::newRow("script threw")
        << u"Pricing"_qs << u"https://example.com/"_qs
        << MethodScript{TabAnswer::result,
                        json(R"({"result":{"type":"object"},"exceptionDetails":{"text":"Uncaught",
                               "exception":{"description":"TypeError: boom\n    at x"}}})")}
        << navigated << BrowserClickResult{false, u"TypeError: boom."_qs} << evaluateOnly
        << QString();
    QTest::newRow("command rejected")
        << u"Pricing"_qs << u"https://example.com/"_qs
        << MethodScript{TabAnswer::error, {}, u"Execution context was destroyed."_qs} << navigated
        << BrowserClickResult{false, u"Execution context was destroyed."_qs} << evaluateOnly
        << QString();
}

void DevToolsBrowserAutomationTest::clickPageElement()
{
    QFETCH(QString, name);
    QFETCH(QString, tabAddress);
    QFETCH(MethodScript, evaluate);
    QFETCH(MethodScript, navigate);
    QFETCH(BrowserClickResult, expected);
    QFETCH(QStringList, methods);
    QFETCH(QString, navigatedTo);
    serveList(listWithPage(tabAddress));
    scriptTab(u"Runtime.evaluate"_qs, evaluate);
    scriptTab(u"Page.navigate"_qs, navigate);

    QCOMPARE(QCoro::waitFor(m_browsers->clickPageElement(chromium, name)), expected);
    QCOMPARE(methodsCalled(), methods);
    const QJsonObject params = paramsOf(u"Runtime.evaluate"_qs);
    QCOMPARE(params.value(u"returnByValue").toBool(), true);
    QVERIFY(params.value(u"expression").toString().contains(u"const target = \""_qs));
    QCOMPARE(paramsOf(u"Page.navigate"_qs).value(u"url").toString(), navigatedTo);
    // One connection per operation, each closed when it is done.
    QCOMPARE(connections(), methods.size());
    QVERIFY(m_tab.waitForOpenConnections(0));
}

void DevToolsBrowserAutomationTest::endpointProblems_data()
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<Response>("list");
    // PORT stands for the configured port.
    QTest::addColumn<QString>("expected");

    QTest::newRow("nothing listens on the port")
        << false << Response::json("[]")
        << u"Chromium is not reachable for automation: nothing answers on its debugging port PORT. "
           u"Quit Chromium and start it from Korvane, which opens that port."_qs;
    QTest::newRow("list never comes")
        << true << Response::neverAnswer()
        << u"Chromium did not answer on its debugging port PORT in time."_qs;
    QTest::newRow("connection dropped")
        << true << Response::closeWithoutAnswer()
        << u"Chromium is not reachable for automation: nothing answers on its debugging port PORT. "
           u"Quit Chromium and start it from Korvane, which opens that port."_qs;
    QTest::newRow("another server on the port")
        << true << Response::withStatus(404, "<html>Not Found</html>")
        << u"Something other than Chromium answers on the debugging port PORT."_qs;
    QTest::newRow("a list that is not one")
        << true << Response::json(R"({"Browser":"Chrome"})")
        << u"Something other than Chromium answers on the debugging port PORT."_qs;
}

void DevToolsBrowserAutomationTest::endpointProblems()
{
    QFETCH(bool, listening);
    QFETCH(Response, list);
    QFETCH(QString, expected);
    m_http.setRoute("GET", u"/json/list"_qs, list);
    quint16 port = m_http.port();
    if (!listening) {
        port = unusedPort();
        qputenv("KORVANE_BROWSER_DEBUG_PORT", QByteArray::number(port));
    }
    expected.replace(u"PORT"_qs, QString::number(port));

    QCOMPARE(QCoro::waitFor(m_impatient->closeActiveTab(chromium)), OptionalText(expected));
    QCOMPARE(QCoro::waitFor(m_impatient->clickPageElement(chromium, u"read the full story now"_qs)),
             (BrowserClickResult{false, expected}));
    QCOMPARE(QCoro::waitFor(m_impatient->activeTabURL(chromium)), OptionalText());
    QCOMPARE(connections(), 0);
}

void DevToolsBrowserAutomationTest::tabSocketProblems_data()
{
    QTest::addColumn<QString>("socketUrl");
    QTest::addColumn<MethodScript>("evaluate");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedConnections");

    const MethodScript clicked{TabAnswer::result, evaluated(u"clicked:x"_qs)};
    // Placeholders: "TAB" is the fake tab, "NONE" a port nobody listens on, "NO_URL" omits it.
    QTest::newRow("tab never answers") << u"TAB"_qs << MethodScript{TabAnswer::never}
                                       << u"Chromium did not answer in time."_qs << 1;
    QTest::newRow("tab closes without answering")
        << u"TAB"_qs << MethodScript{TabAnswer::close}
        << u"Chromium closed the connection to its active tab before answering."_qs << 1;
    QTest::newRow("tab socket refuses")
        << u"NONE"_qs << clicked
        << u"Korvane could not connect to Chromium's active tab. Quit Chromium and start it from "
           u"Korvane, which lets Korvane connect."_qs
        << 0;
    QTest::newRow("another client holds the tab")
        << u"NO_URL"_qs << clicked
        << u"Chromium's active tab is in use by another DevTools client; close that client and "
           u"try again."_qs
        << 0;
    QTest::newRow("socket address off this computer")
        << u"ws://0.0.0.0:PORT/devtools/page/TAB-1"_qs << clicked
        << u"Chromium listed its active tab at an address that is not on this computer."_qs << 0;
    QTest::newRow("socket address not a websocket")
        << u"http://127.0.0.1:PORT/devtools/page/TAB-1"_qs << clicked
        << u"Chromium listed its active tab at an address that is not on this computer."_qs << 0;
}

void DevToolsBrowserAutomationTest::tabSocketProblems()
{
    QFETCH(QString, socketUrl);
    QFETCH(MethodScript, evaluate);
    QFETCH(QString, expected);
    QFETCH(int, expectedConnections);
    scriptTab(u"Runtime.evaluate"_qs, evaluate);
    scriptTab(u"Page.navigate"_qs, evaluate);
    QByteArray list;
    if (socketUrl == u"TAB") {
        list = listWithPage(u"https://example.com/"_qs);
    } else if (socketUrl == u"NONE") {
        list =
            listWithPage(u"https://example.com/"_qs,
                         u"ws://127.0.0.1:"_qs + QString::number(unusedPort()) + u"/devtools"_qs);
    } else if (socketUrl == u"NO_URL") {
        list = R"([{"id":"TAB-1","type":"page","url":"https://example.com/"}])";
    } else {
        list = listWithPage(u"https://example.com/"_qs,
                            QString(socketUrl).replace(u"PORT"_qs, QString::number(m_tab.port())));
    }
    serveList(list);

    // Five words: no navigation fallback hides what went wrong.
    const BrowserClickResult result =
        QCoro::waitFor(m_impatient->clickPageElement(chromium, u"read the full story now"_qs));
    QCOMPARE(result, (BrowserClickResult{false, expected}));
    QCOMPARE(connections(), expectedConnections);
    // The same failure reaches the other page operations.
    QCOMPARE(
        QCoro::waitFor(m_impatient->navigateActiveTab(chromium, QUrl(u"https://example.com/b"_qs))),
        OptionalText(expected));
}

void DevToolsBrowserAutomationTest::repliesAreMatchedById()
{
    serveList(listWithPage(u"https://example.com/"_qs));
    // An event, a reply to another command, then the real reply.
    m_tab.addReplyMaker(
        [](const WebSocketMessage&) { return true; },
        [](const WebSocketMessage& message) {
            const qint64 id = message.json()->value(u"id").toInteger();
            const auto text = [](const QJsonObject& object) {
                return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
            };
            return ScriptedReply{
                {text({{u"method"_qs, u"Runtime.consoleAPICalled"_qs}}),
                 text({{u"id"_qs, id + 1000}, {u"result"_qs, evaluated(u"clicked:wrong"_qs)}}),
                 text({{u"id"_qs, id}, {u"result"_qs, evaluated(u"clicked:right"_qs)}})}};
        });
    QCOMPARE(QCoro::waitFor(m_browsers->clickPageElement(chromium, u"right"_qs)),
             (BrowserClickResult{true, u"Clicked right."_qs}));

    // Only a reply to another id: the call waits for its own and gives up.
    m_tab.clearReplies();
    m_tab.addReplyMaker(
        [](const WebSocketMessage&) { return true; },
        [](const WebSocketMessage& message) {
            const qint64 id = message.json()->value(u"id").toInteger();
            return ScriptedReply{{QString::fromUtf8(
                QJsonDocument(
                    QJsonObject{{u"id"_qs, id + 1}, {u"result"_qs, evaluated(u"clicked:x"_qs)}})
                    .toJson(QJsonDocument::Compact))}};
        });
    QCOMPARE(QCoro::waitFor(m_impatient->clickPageElement(chromium, u"read the full story now"_qs)),
             (BrowserClickResult{false, u"Chromium did not answer in time."_qs}));

    // Ids differ from call to call.
    QSet<qint64> ids;
    const QList<WebSocketMessage> messages = m_tab.messages();
    for (const WebSocketMessage& message : messages)
        ids.insert(message.json()->value(u"id").toInteger());
    QCOMPARE(ids.size(), messages.size());
}

void DevToolsBrowserAutomationTest::emptyClickTargetAsksNothing()
{
    serveList(listWithPage(u"https://example.com/"_qs));
    QCOMPARE(QCoro::waitFor(m_browsers->clickPageElement(chromium, u" \n "_qs)),
             (BrowserClickResult{false, u"No browser click target provided."_qs}));
    QCOMPARE(m_http.requestCount(), 0);
}

void DevToolsBrowserAutomationTest::invalidPortSetting()
{
    qputenv("KORVANE_BROWSER_DEBUG_PORT", "automatic");
    const QString expected = u"KORVANE_BROWSER_DEBUG_PORT is not a port number from 1 to 65535, so "
                             u"Korvane cannot reach Chromium."_qs;
    QCOMPARE(QCoro::waitFor(m_browsers->closeActiveTab(chromium)), OptionalText(expected));
    QCOMPARE(QCoro::waitFor(m_browsers->activeTabURL(chromium)), OptionalText());
}

QTEST_GUILESS_MAIN(DevToolsBrowserAutomationTest)
#include "tst_devtoolsbrowserautomation.moc"
