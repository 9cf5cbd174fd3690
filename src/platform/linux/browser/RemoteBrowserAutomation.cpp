// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/RemoteBrowserAutomation.h"

#include "core/Configuration.h"
#include "platform/AutomationThread.h"
#include "platform/Workspace.h"
#include "platform/linux/browser/BrowserHostSockets.h"
#include "platform/linux/browser/BrowserLaunch.h"
#include "platform/linux/browser/FrontTab.h"
#include "platform/linux/browser/NavigationFallback.h"
#include "platform/linux/browser/PageClickScript.h"
#include "platform/linux/xdg/XdgApplicationCatalog.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotimer.h>

namespace korvane {

struct RemoteBrowserAutomation::Context {
    std::shared_ptr<Workspace> workspace;
    std::shared_ptr<const XdgApplicationCatalog> catalog;
    RemoteDeadlines deadlines;
};

namespace {

using namespace std::chrono_literals;
using ContextPointer = std::shared_ptr<const RemoteBrowserAutomation::Context>;
using Link = BrowserHostLink::Pointer;

const QString noWindowText = u"No browser window is open."_qs;
const QString automationFailedText = u"Browser automation failed."_qs;
const QString navigationFailedText = u"Browser navigation failed."_qs;
const QString clickFailedText = u"Browser page click failed."_qs;
const QString noClickTargetText = u"No browser click target provided."_qs;
// Whether the page is the one its window shows, and whether that window has the focus.
const QString visibilityProbe = u"[document.visibilityState, document.hasFocus()]"_qs;
const QString defaultBrowserRole = u"web browser"_qs;

QString notDrivenText(const QString& name)
{
    return name + u" was not opened by Korvane, so Korvane cannot reach its tabs. Quit "_qs + name +
           u" and open it again from Korvane."_qs;
}

QString doubtText(const QString& name, FrontTab::Doubt doubt)
{
    if (doubt == FrontTab::Doubt::noneVisible)
        return name + u" shows no tab: its windows may be minimized."_qs;
    return name + u" has several windows open, and Korvane cannot tell which one is in front. "
                  u"Close or minimize the ones you are not using and try again."_qs;
}

// The parent of a process, from /proc/PID/stat ("PID (COMMAND) STATE PPID …").
qint64 parentProcess(qint64 processId)
{
    QFile stat(u"/proc/"_qs + QString::number(processId) + u"/stat"_qs);
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // The command may hold spaces and parentheses; it ends at the last ')'.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 1).simplified().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() : 0;
}

bool descendsFrom(qint64 processId, qint64 ancestor)
{
    for (int depth = 0; depth < 16 && processId > 1; ++depth) {
        if (processId == ancestor)
            return true;
        processId = parentProcess(processId);
    }
    return false;
}

QCoro::Task<QList<Link>> liveHosts(ContextPointer context)
{
    QList<Link> hosts;
    const BrowserHostSockets::Folder folder = BrowserHostSockets::folder();
    if (!folder.path)
        co_return hosts;
    const QStringList sockets =
        QDir(*folder.path).entryList({u"*.sock"_qs}, QDir::System | QDir::Files, QDir::Name);
    for (const QString& socket : sockets) {
        auto connecting =
            BrowserHostLink::connect(*folder.path + u'/' + socket, context->deadlines.connect);
        if (Link link = co_await std::move(connecting))
            hosts.append(std::move(link));
    }
    co_return hosts;
}

// The host that drives the copy of the browser `target` is.
Link hostFor(const QList<Link>& hosts, const BrowserTarget& target)
{
    if (target.processId > 0) {
        for (const Link& host : hosts) {
            if (descendsFrom(target.processId, host->greeting().processId))
                return host;
        }
        return nullptr;
    }
    // The desktop did not say which process owns the window: only an unambiguous match counts.
    Link match;
    for (const Link& host : hosts) {
        if (host->greeting().desktopId != target.desktopId)
            continue;
        if (match)
            return nullptr;
        match = host;
    }
    return match;
}

struct ActiveTab {
    Link link{};
    std::optional<BrowserTab> tab{};
    QString failure{};
};

QCoro::Task<ActiveTab> activeTab(ContextPointer context, BrowserTarget target)
{
    auto finding = liveHosts(context);
    const QList<Link> hosts = co_await std::move(finding);
    ActiveTab active;
    active.link = hostFor(hosts, target);
    if (!active.link) {
        active.failure = notDrivenText(target.scriptName);
        co_return active;
    }
    const std::unique_ptr<TabProtocol> protocol =
        TabProtocol::forLink(active.link, context->deadlines);
    auto listing = protocol->tabs(active.link);
    const TabList list = co_await std::move(listing);
    if (list.failure) {
        active.failure = *list.failure;
        co_return active;
    }
    if (list.tabs.isEmpty()) {
        active.failure = noWindowText;
        co_return active;
    }

    RemoteDeadlines probing = context->deadlines;
    probing.command = probing.probe;
    const std::unique_ptr<TabProtocol> prober = TabProtocol::forLink(active.link, probing);
    QList<FrontTab::State> states;
    for (const BrowserTab& tab : list.tabs) {
        auto evaluating = prober->evaluate(active.link, tab, visibilityProbe);
        const PageValue value = co_await std::move(evaluating);
        // A tab that cannot say (still loading, frozen, a browser page) is not taken for the
        // one in front.
        const QJsonArray answer = value.value.toArray();
        states.append({answer.at(0).toString() == u"visible", answer.at(1).toBool()});
    }
    const FrontTab::Choice choice = FrontTab::choose(states);
    if (choice.index)
        active.tab = list.tabs.at(*choice.index);
    else
        active.failure = doubtText(target.scriptName, *choice.doubt);
    co_return active;
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

QCoro::Task<Outcome> navigate(ContextPointer context, BrowserTarget target, QUrl url)
{
    auto looking = activeTab(context, target);
    const ActiveTab active = co_await std::move(looking);
    if (!active.tab)
        co_return Outcome::failure(sentence(active.failure, navigationFailedText));
    const std::unique_ptr<TabProtocol> protocol =
        TabProtocol::forLink(active.link, context->deadlines);
    auto navigating = protocol->navigate(active.link, *active.tab, url);
    if (const Outcome navigated = co_await std::move(navigating); !navigated)
        co_return Outcome::failure(sentence(navigated.error(), navigationFailedText));
    co_return Outcome::success();
}

// The browser to open addresses in when none of Korvane's runs: the desktop's default one.
QCoro::Task<std::optional<DesktopEntry>> defaultBrowser(ContextPointer context)
{
    std::shared_ptr<const XdgApplicationCatalog> catalog = context->catalog;
    // The catalog asks the desktop for its defaults: off the main thread.
    auto lookup = runOnAutomationThread([catalog]() -> std::optional<DesktopEntry> {
        const std::optional<InstalledApplication> application =
            catalog->applicationForRole(defaultBrowserRole);
        if (!application)
            return std::nullopt;
        return catalog->entryAt(application->url);
    });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    std::optional<DesktopEntry> entry = co_await lookup;
    co_return entry;
}

// A copy of `browser` runs that Korvane did not start.
QCoro::Task<bool> runsWithoutHost(ContextPointer context, KnownBrowsers::Entry browser)
{
    auto listing = context->workspace->runningApplications();
    const QList<RunningApplication> applications = co_await std::move(listing);
    for (const RunningApplication& application : applications) {
        const std::optional<BrowserTarget> target = KnownBrowsers::target(application);
        if (target && target->scriptName == browser.scriptName)
            co_return true;
    }
    co_return false;
}

QCoro::Task<BrowserOpenResult> openInHost(ContextPointer context, Link link, QUrl url)
{
    const std::unique_ptr<TabProtocol> protocol = TabProtocol::forLink(link, context->deadlines);
    auto opening = protocol->openTab(link, url);
    const Outcome opened = co_await std::move(opening);
    co_return BrowserOpenResult{true, opened ? std::nullopt : std::optional(opened.error())};
}

} // namespace

RemoteBrowserAutomation::RemoteBrowserAutomation(
    std::shared_ptr<Workspace> workspace, std::shared_ptr<const XdgApplicationCatalog> catalog,
    RemoteDeadlines deadlines)
    : m_context(std::make_shared<const Context>(
          Context{std::move(workspace), std::move(catalog), deadlines}))
{
}

RemoteBrowserAutomation::~RemoteBrowserAutomation() = default;

QCoro::Task<std::optional<BrowserTarget>> RemoteBrowserAutomation::frontmost()
{
    const ContextPointer context = m_context;
    auto asking = context->workspace->frontmostApplication();
    const std::optional<RunningApplication> application = co_await std::move(asking);
    if (!application)
        co_return std::nullopt;
    co_return KnownBrowsers::target(*application);
}

QCoro::Task<QList<BrowserTarget>> RemoteBrowserAutomation::running()
{
    const ContextPointer context = m_context;
    auto listing = context->workspace->runningApplications();
    const QList<RunningApplication> applications = co_await std::move(listing);
    QList<BrowserTarget> browsers;
    for (const RunningApplication& application : applications) {
        if (std::optional<BrowserTarget> browser = KnownBrowsers::target(application))
            browsers.append(std::move(*browser));
    }
    // The frontmost browser goes first only when the list lacks it; otherwise the desktop's
    // order stands.
    auto asking = context->workspace->frontmostApplication();
    if (const std::optional<RunningApplication> front = co_await std::move(asking)) {
        if (std::optional<BrowserTarget> browser = KnownBrowsers::target(*front)) {
            if (!browsers.contains(*browser))
                browsers.prepend(std::move(*browser));
        }
    }
    // A browser of Korvane's whose windows the desktop does not list is still there.
    auto finding = liveHosts(context);
    const QList<Link> hosts = co_await std::move(finding);
    for (const Link& host : hosts) {
        const bool listed =
            std::any_of(browsers.cbegin(), browsers.cend(), [&](const BrowserTarget& browser) {
                return hostFor({host}, browser) != nullptr;
            });
        const std::optional<KnownBrowsers::Entry> entry =
            KnownBrowsers::forDesktopId(host->greeting().desktopId);
        if (!listed && entry)
            browsers.append(KnownBrowsers::target(*entry, host->greeting().processId));
    }
    co_return browsers;
}

QCoro::Task<std::optional<QString>> RemoteBrowserAutomation::activeTabURL(BrowserTarget target)
{
    const ContextPointer context = m_context;
    auto looking = activeTab(context, std::move(target));
    const ActiveTab active = co_await std::move(looking);
    if (!active.tab || active.tab->url.trimmed().isEmpty())
        co_return std::nullopt;
    co_return active.tab->url.trimmed();
}

QCoro::Task<Outcome> RemoteBrowserAutomation::closeActiveTab(BrowserTarget target)
{
    const ContextPointer context = m_context;
    auto looking = activeTab(context, target);
    const ActiveTab active = co_await std::move(looking);
    if (!active.tab)
        co_return Outcome::failure(sentence(active.failure, automationFailedText));
    const std::unique_ptr<TabProtocol> protocol =
        TabProtocol::forLink(active.link, context->deadlines);
    auto closing = protocol->close(active.link, *active.tab);
    if (const Outcome closed = co_await std::move(closing); !closed) {
        // A browser may quit with its last tab before it answers.
        if (active.link->isClosed())
            co_return Outcome::success();
        co_return Outcome::failure(sentence(closed.error(), automationFailedText));
    }

    // Closed means gone from the browser's own list, not merely asked.
    const QDeadlineTimer deadline(context->deadlines.closing);
    for (;;) {
        auto listing = protocol->tabs(active.link);
        const TabList list = co_await std::move(listing);
        // A browser quits with its last tab, and its host with it.
        if (active.link->isClosed())
            co_return Outcome::success();
        const bool gone = !list.failure && std::none_of(list.tabs.cbegin(), list.tabs.cend(),
                                                        [&](const BrowserTab& tab) {
                                                            return tab.id == active.tab->id;
                                                        });
        if (gone)
            co_return Outcome::success();
        if (deadline.hasExpired())
            break;
        co_await QCoro::sleepFor(100ms);
    }
    co_return Outcome::failure(target.scriptName +
                               u" kept the tab open; the page may be asking whether to leave."_qs);
}

QCoro::Task<Outcome> RemoteBrowserAutomation::navigateActiveTab(BrowserTarget target, QUrl url)
{
    auto navigating = navigate(m_context, std::move(target), std::move(url));
    co_return co_await std::move(navigating);
}

QCoro::Task<BrowserClickResult> RemoteBrowserAutomation::clickPageElement(BrowserTarget target,
                                                                          QString name)
{
    const ContextPointer context = m_context;
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        co_return BrowserClickResult{false, noClickTargetText};

    auto looking = activeTab(context, target);
    const ActiveTab active = co_await std::move(looking);
    if (!active.tab)
        co_return BrowserClickResult{false, sentence(active.failure, clickFailedText)};
    const std::unique_ptr<TabProtocol> protocol =
        TabProtocol::forLink(active.link, context->deadlines);
    auto evaluating =
        protocol->evaluate(active.link, *active.tab, PageClickScript::expression(trimmed));
    const PageValue evaluation = co_await std::move(evaluating);
    if (evaluation.failure)
        co_return BrowserClickResult{false, sentence(*evaluation.failure, clickFailedText)};

    const QString answer =
        evaluation.value.isString() ? evaluation.value.toString().trimmed() : QString();
    if (const std::optional<QString> clicked = PageClickScript::clickedSummary(answer))
        co_return BrowserClickResult{true, *clicked};

    const std::optional<QUrl> fallback = NavigationFallback::url(active.tab->url.trimmed(), trimmed,
                                                                 Configuration::navigationSite());
    if (fallback) {
        auto navigating = protocol->navigate(active.link, *active.tab, *fallback);
        const Outcome navigated = co_await std::move(navigating);
        if (navigated)
            co_return BrowserClickResult{true, u"Opened "_qs + trimmed + u'.'};
    }
    co_return BrowserClickResult{false, answer.isEmpty() ? u"Could not click "_qs + trimmed + u'.'
                                                         : answer};
}

QCoro::Task<BrowserOpenResult> RemoteBrowserAutomation::openURL(QUrl url)
{
    const ContextPointer context = m_context;
    // Other schemes (mail, files…) belong to their own handlers.
    if (url.scheme() != u"http" && url.scheme() != u"https")
        co_return BrowserOpenResult{};

    auto finding = liveHosts(context);
    const QList<Link> hosts = co_await std::move(finding);
    auto lookingUp = defaultBrowser(context);
    const std::optional<DesktopEntry> fallback = co_await std::move(lookingUp);
    if (!hosts.isEmpty()) {
        // The one in front, else the default browser, else any of Korvane's.
        auto asking = context->workspace->frontmostApplication();
        const std::optional<RunningApplication> front = co_await std::move(asking);
        const std::optional<BrowserTarget> frontBrowser =
            front ? KnownBrowsers::target(*front) : std::nullopt;
        Link chosen = frontBrowser ? hostFor(hosts, *frontBrowser) : nullptr;
        for (const Link& host : hosts) {
            if (!chosen && fallback && host->greeting().desktopId == fallback->id)
                chosen = host;
        }
        auto opening = openInHost(context, chosen ? chosen : hosts.first(), url);
        co_return co_await std::move(opening);
    }

    if (!fallback)
        co_return BrowserOpenResult{};
    const std::optional<KnownBrowsers::Entry> browser = KnownBrowsers::forDesktopId(fallback->id);
    if (!browser)
        co_return BrowserOpenResult{};
    // Firefox runs one copy per profile: a copy the person started has the profile, and the
    // address goes to it through the desktop.
    if (browser->protocol == RemoteProtocol::webDriverBiDi) {
        auto checking = runsWithoutHost(context, *browser);
        if (co_await std::move(checking))
            co_return BrowserOpenResult{};
    }
    const DesktopEntry entry = *fallback;
    auto launching = runOnAutomationThread([entry] {
        return BrowserLaunch::start(entry.id, entry.commandLine(), entry.workingDirectory);
    });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    const Outcome launched = co_await launching;
    if (!launched)
        co_return BrowserOpenResult{true, launched.error()};

    const BrowserHostSockets::Folder folder = BrowserHostSockets::folder();
    auto connecting = BrowserHostLink::connect(
        BrowserHostSockets::socketPath(folder.path.value_or(QString()), entry.id),
        context->deadlines.connect);
    Link link = co_await std::move(connecting);
    if (!link)
        co_return BrowserOpenResult{true, u"Korvane could not connect to "_qs +
                                              browser->scriptName + u'.'};
    auto opening = openInHost(context, std::move(link), url);
    co_return co_await std::move(opening);
}

} // namespace korvane
