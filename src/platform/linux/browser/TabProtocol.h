// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"
#include "platform/linux/browser/BrowserHostLink.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUrl>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <memory>
#include <optional>

namespace korvane {

// One top-level page of a browser: a DevTools target or a BiDi browsing context.
struct BrowserTab {
    QString id{};
    QString url{};

    friend bool operator==(const BrowserTab&, const BrowserTab&) = default;
};

struct TabList {
    QList<BrowserTab> tabs{};
    // Why the browser could not list them, as a sentence.
    std::optional<QString> failure{};
};

// What a page script gave back, or why it gave nothing (a sentence).
struct PageValue {
    QJsonValue value{QJsonValue::Undefined};
    std::optional<QString> failure{};
};

// How long each kind of step may take.
struct RemoteDeadlines {
    std::chrono::milliseconds connect{2000};
    std::chrono::milliseconds command{5000};
    // Reading a tab's visibility: a tab that does not answer quickly is not the one in front.
    std::chrono::milliseconds probe{2000};
    std::chrono::milliseconds navigation{10000};
    // How long a closed tab may take to disappear from the browser's list.
    std::chrono::milliseconds closing{5000};
};

// The tab operations in one remote protocol. Failures come back as sentences naming the
// browser. Page scripts run apart from the page's own scripts (an isolated world, a sandbox),
// so a page cannot change what they see of the document's objects.
class TabProtocol {
public:
    using Link = BrowserHostLink::Pointer;

    virtual ~TabProtocol() = default;

    virtual QCoro::Task<TabList> tabs(Link link) = 0;
    // `expression`'s value, returned by value, run as if the person had acted.
    virtual QCoro::Task<PageValue> evaluate(Link link, BrowserTab tab, QString expression) = 0;
    virtual QCoro::Task<Outcome> navigate(Link link, BrowserTab tab, QUrl url) = 0;
    // Asks the browser to close the tab (it may still refuse: a page can ask to stay).
    virtual QCoro::Task<Outcome> close(Link link, BrowserTab tab) = 0;
    // A new tab showing `url`, in front of its window.
    virtual QCoro::Task<Outcome> openTab(Link link, QUrl url) = 0;

    // The protocol the link's host speaks.
    static std::unique_ptr<TabProtocol> forLink(const Link& link, RemoteDeadlines deadlines);
    // A failed call as a sentence about the browser `name`.
    static QString failureSentence(const RemoteCall& call, const QString& name);
    // Sends a command whose answer carries nothing Korvane reads, outside any session.
    static QCoro::Task<Outcome> command(Link link, QString method, QJsonObject params,
                                        std::chrono::milliseconds deadline);
};

} // namespace korvane
