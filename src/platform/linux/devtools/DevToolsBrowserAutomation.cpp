#include "platform/linux/devtools/DevToolsBrowserAutomation.h"

#include "core/Configuration.h"
#include "core/HttpFetch.h"
#include "platform/Workspace.h"
#include "platform/linux/devtools/ChromiumLaunchFlags.h"
#include "platform/linux/devtools/DevToolsSocketCall.h"
#include "platform/linux/devtools/DevToolsTargetList.h"
#include "platform/linux/devtools/KnownBrowsers.h"
#include "platform/linux/devtools/NavigationFallback.h"
#include "platform/linux/devtools/PageClickScript.h"
#include "platform/linux/devtools/RuntimeEvaluation.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QNetworkAccessManager>

namespace korvane {

Q_LOGGING_CATEGORY(lcDevTools, "korvane.platform.devtools")

namespace {

using Deadlines = DevToolsBrowserAutomation::Deadlines;

const QString noWindowText = u"No browser window is open."_qs;
const QString automationFailedText = u"Browser automation failed."_qs;
const QString navigationFailedText = u"Browser navigation failed."_qs;
const QString clickFailedText = u"Browser page click failed."_qs;
const QString noClickTargetText = u"No browser click target provided."_qs;

// What a coroutine needs of the backend, copied before its first suspension.
struct Context {
    std::shared_ptr<Workspace> workspace{};
    QPointer<QNetworkAccessManager> session{};
    Deadlines deadlines{};
};

// The active tab of the browser at the configured port, or why there is none.
struct ActiveTab {
    std::optional<DevToolsTarget> tab{};
    quint16 port = 0;
    // Empty when `tab` is set.
    QString failure{};
};

// A command's result on the active tab, or why there is none.
struct TabCall {
    std::optional<QJsonObject> result{};
    QString failure{};
};

QString portText(quint16 port)
{
    return QString::number(port);
}

QString unreachableText(const QString& browser, quint16 port)
{
    return browser +
           u" is not reachable for automation: nothing answers on its debugging port "_qs +
           portText(port) + u". Quit "_qs + browser +
           u" and start it from Korvane, which opens that port."_qs;
}

QString sentence(QString text, const QString& fallback)
{
    text = text.trimmed();
    if (text.isEmpty())
        return fallback;
    if (!text.endsWith(u'.') && !text.endsWith(u'!') && !text.endsWith(u'?'))
        text += u'.';
    return text;
}

bool isLoopbackSocket(const QUrl& url)
{
    if (!url.isValid() || url.scheme() != u"ws")
        return false;
    const QString host = url.host();
    return host == u"localhost" || QHostAddress(host).isLoopback();
}

// Not a coroutine: the request is built in plain statements. Every co_await in this file
// awaits a task named beforehand, as GCC 12 destroys temporaries of a co_await expression twice.
QCoro::Task<HttpFetchResult> get(const QPointer<QNetworkAccessManager>& session, const QUrl& url,
                                 std::chrono::milliseconds timeout)
{
    HttpFetchRequest request;
    request.request = QNetworkRequest(url);
    request.request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                 QNetworkRequest::ManualRedirectPolicy);
    request.timeout = timeout;
    request.maximumBodyBytes = DevToolsTargetList::maximumBytes;
    if (session)
        return fetchHttp(*session, std::move(request));
    return fetchHttp(std::move(request));
}

QUrl endpoint(quint16 port, const QString& path)
{
    QUrl url;
    url.setScheme(u"http"_qs);
    url.setHost(u"127.0.0.1"_qs);
    url.setPort(port);
    url.setPath(path);
    return url;
}

QCoro::Task<ActiveTab> activeTab(Context context, BrowserTarget target)
{
    ActiveTab answer;
    const std::optional<quint16> port = Configuration::browserDebugPort();
    if (!port) {
        answer.failure = Configuration::browserDebugPortName +
                         u" is not a port number from 1 to 65535, so Korvane cannot reach "_qs +
                         target.scriptName + u'.';
        co_return answer;
    }
    answer.port = *port;
    auto fetching = get(context.session, endpoint(*port, u"/json/list"_qs), context.deadlines.http);
    const HttpFetchResult reply = co_await std::move(fetching);
    if (reply.error == HttpFetchError::timedOut) {
        answer.failure = target.scriptName + u" did not answer on its debugging port "_qs +
                         portText(*port) + u" in time."_qs;
    } else if (!reply.succeeded()) {
        qCInfo(lcDevTools) << "no DevTools endpoint on port" << *port << reply.errorDescription;
        answer.failure = unreachableText(target.scriptName, *port);
    } else {
        const std::optional<QList<DevToolsTarget>> targets =
            reply.hasSuccessStatus() ? DevToolsTargetList::parse(reply.body) : std::nullopt;
        if (!targets) {
            qCInfo(lcDevTools) << "port" << *port << "answered" << reply.statusCode
                               << "without a target list";
            answer.failure = u"Something other than "_qs + target.scriptName +
                             u" answers on the debugging port "_qs + portText(*port) + u'.';
        } else if (std::optional<DevToolsTarget> page = DevToolsTargetList::activePage(*targets)) {
            answer.tab = std::move(page);
        } else {
            answer.failure = noWindowText;
        }
    }
    co_return answer;
}

QCoro::Task<TabCall> callActiveTab(Context context, BrowserTarget target, QString method,
                                   QJsonObject params, std::chrono::milliseconds replyDeadline)
{
    auto looking = activeTab(context, target);
    const ActiveTab active = co_await std::move(looking);
    if (!active.tab)
        co_return TabCall{std::nullopt, active.failure};
    const QString name = target.scriptName;
    if (active.tab->webSocketDebuggerUrl.isEmpty())
        co_return TabCall{std::nullopt,
                          name + u"'s active tab is in use by another DevTools client; close "
                                 u"that client and try again."_qs};
    const QUrl socketUrl(active.tab->webSocketDebuggerUrl, QUrl::StrictMode);
    // Page commands go to this computer's browser only, whatever the list says.
    if (!isLoopbackSocket(socketUrl))
        co_return TabCall{std::nullopt,
                          name + u" listed its active tab at an address that is not on this "
                                 u"computer."_qs};

    auto calling =
        DevToolsSocketCall::call(socketUrl, ChromiumLaunchFlags::origin(active.port), method,
                                 params, {context.deadlines.connect, replyDeadline});
    const DevToolsCallOutcome outcome = co_await std::move(calling);
    if (outcome.result)
        co_return TabCall{outcome.result, {}};
    qCInfo(lcDevTools) << method << "failed:" << outcome.detail;
    switch (outcome.failure.value_or(DevToolsCallFailure::closed)) {
    case DevToolsCallFailure::connectFailed:
        co_return TabCall{std::nullopt,
                          u"Korvane could not connect to "_qs + name + u"'s active tab. Quit "_qs +
                              name + u" and start it from Korvane, which lets Korvane connect."_qs};
    case DevToolsCallFailure::timedOut:
        co_return TabCall{std::nullopt, name + u" did not answer in time."_qs};
    case DevToolsCallFailure::closed:
        co_return TabCall{std::nullopt,
                          name + u" closed the connection to its active tab before answering."_qs};
    case DevToolsCallFailure::rejected:
        co_return TabCall{std::nullopt, sentence(outcome.detail, automationFailedText)};
    }
    co_return TabCall{std::nullopt, automationFailedText};
}

QCoro::Task<std::optional<QString>> navigate(Context context, BrowserTarget target, QUrl url)
{
    QJsonObject params;
    params.insert(u"url"_qs, url.toString(QUrl::FullyEncoded));
    auto calling =
        callActiveTab(context, target, u"Page.navigate"_qs, params, context.deadlines.navigation);
    const TabCall call = co_await std::move(calling);
    if (!call.result)
        co_return sentence(call.failure, navigationFailedText);
    // The browser reports a page it could not load (no such host, refused…) as errorText.
    const QString errorText = call.result->value(u"errorText").toString();
    if (!errorText.isEmpty())
        co_return u"The page could not be opened: "_qs + errorText;
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>> activeTabAddress(Context context, BrowserTarget target)
{
    auto looking = activeTab(context, target);
    const ActiveTab active = co_await std::move(looking);
    if (!active.tab)
        co_return std::nullopt;
    const QString address = active.tab->url.trimmed();
    if (address.isEmpty())
        co_return std::nullopt;
    co_return address;
}

} // namespace

DevToolsBrowserAutomation::DevToolsBrowserAutomation(std::shared_ptr<Workspace> workspace,
                                                     QNetworkAccessManager* session)
    : DevToolsBrowserAutomation(std::move(workspace), session, Deadlines{})
{
}

DevToolsBrowserAutomation::DevToolsBrowserAutomation(std::shared_ptr<Workspace> workspace,
                                                     QNetworkAccessManager* session,
                                                     Deadlines deadlines)
    : m_workspace(std::move(workspace))
    , m_session(session)
    , m_deadlines(deadlines)
{
}

DevToolsBrowserAutomation::~DevToolsBrowserAutomation() = default;

QCoro::Task<std::optional<BrowserTarget>> DevToolsBrowserAutomation::frontmost()
{
    const std::shared_ptr<Workspace> workspace = m_workspace;
    auto asking = workspace->frontmostApplication();
    const std::optional<RunningApplication> application = co_await std::move(asking);
    if (!application)
        co_return std::nullopt;
    co_return KnownBrowsers::target(*application);
}

QCoro::Task<QList<BrowserTarget>> DevToolsBrowserAutomation::running()
{
    const std::shared_ptr<Workspace> workspace = m_workspace;
    auto listing = workspace->runningApplications();
    const QList<RunningApplication> applications = co_await std::move(listing);
    QList<BrowserTarget> browsers;
    for (const RunningApplication& application : applications) {
        if (std::optional<BrowserTarget> browser = KnownBrowsers::target(application))
            browsers.append(std::move(*browser));
    }
    // The frontmost browser goes first only when the list lacks it; otherwise the desktop's
    // order stands.
    auto asking = workspace->frontmostApplication();
    if (const std::optional<RunningApplication> front = co_await std::move(asking)) {
        if (std::optional<BrowserTarget> browser = KnownBrowsers::target(*front)) {
            const bool listed =
                std::any_of(browsers.cbegin(), browsers.cend(), [&](const BrowserTarget& known) {
                    return known.scriptName == browser->scriptName;
                });
            if (!listed)
                browsers.prepend(std::move(*browser));
        }
    }
    co_return browsers;
}

QCoro::Task<std::optional<QString>> DevToolsBrowserAutomation::activeTabURL(BrowserTarget target)
{
    auto reading = activeTabAddress({m_workspace, m_session, m_deadlines}, std::move(target));
    co_return co_await std::move(reading);
}

QCoro::Task<std::optional<QString>> DevToolsBrowserAutomation::closeActiveTab(BrowserTarget target)
{
    const Context context{m_workspace, m_session, m_deadlines};
    auto looking = activeTab(context, target);
    const ActiveTab active = co_await std::move(looking);
    if (!active.tab)
        co_return sentence(active.failure, automationFailedText);
    if (active.tab->id.isEmpty())
        co_return automationFailedText;
    const QUrl closing =
        endpoint(active.port,
                 u"/json/close/"_qs + QString::fromUtf8(QUrl::toPercentEncoding(active.tab->id)));
    auto fetching = get(context.session, closing, context.deadlines.http);
    const HttpFetchResult reply = co_await std::move(fetching);
    if (reply.error == HttpFetchError::timedOut)
        co_return target.scriptName + u" did not answer in time."_qs;
    if (!reply.succeeded())
        co_return unreachableText(target.scriptName, active.port);
    if (!reply.hasSuccessStatus()) {
        qCInfo(lcDevTools) << "closing the tab answered" << reply.statusCode;
        co_return automationFailedText;
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>>
DevToolsBrowserAutomation::navigateActiveTab(BrowserTarget target, QUrl url)
{
    auto navigating =
        navigate({m_workspace, m_session, m_deadlines}, std::move(target), std::move(url));
    co_return co_await std::move(navigating);
}

QCoro::Task<BrowserClickResult> DevToolsBrowserAutomation::clickPageElement(BrowserTarget target,
                                                                            QString name)
{
    const Context context{m_workspace, m_session, m_deadlines};
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        co_return BrowserClickResult{false, noClickTargetText};

    auto calling = callActiveTab(context, target, u"Runtime.evaluate"_qs,
                                 RuntimeEvaluation::params(PageClickScript::expression(trimmed)),
                                 context.deadlines.command);
    const TabCall call = co_await std::move(calling);
    if (!call.result)
        co_return BrowserClickResult{false, sentence(call.failure, clickFailedText)};
    const EvaluationOutcome evaluation = RuntimeEvaluation::read(*call.result);
    if (evaluation.exception)
        co_return BrowserClickResult{false, sentence(*evaluation.exception, clickFailedText)};

    const QString answer =
        evaluation.value.isString() ? evaluation.value.toString().trimmed() : QString();
    if (const std::optional<QString> clicked = PageClickScript::clickedSummary(answer))
        co_return BrowserClickResult{true, *clicked};

    auto reading = activeTabAddress(context, target);
    const std::optional<QString> address = co_await std::move(reading);
    const std::optional<QUrl> fallback =
        address ? NavigationFallback::url(*address, trimmed, Configuration::appleSite())
                : std::nullopt;
    if (fallback) {
        auto navigating = navigate(context, target, *fallback);
        const std::optional<QString> failure = co_await std::move(navigating);
        if (!failure)
            co_return BrowserClickResult{true, u"Opened "_qs + trimmed + u'.'};
    }
    co_return BrowserClickResult{false, answer.isEmpty() ? u"Could not click "_qs + trimmed + u'.'
                                                         : answer};
}

} // namespace korvane
