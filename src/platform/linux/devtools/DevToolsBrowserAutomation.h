#pragma once

#include "platform/BrowserAutomation.h"

#include <QPointer>

#include <chrono>
#include <memory>

class QNetworkAccessManager;

namespace korvane {

class Workspace;

// Chromium-family browsers driven over the DevTools protocol on 127.0.0.1 at the port of
// KORVANE_BROWSER_DEBUG_PORT (read at every use). The tab list comes from /json/list, most
// recently active first; each page operation opens a WebSocket of its own to the active tab.
// Everything runs on the event loop.
class DevToolsBrowserAutomation final : public BrowserAutomation {
public:
    struct Deadlines {
        // GET /json/list and /json/close.
        std::chrono::milliseconds http{3000};
        std::chrono::milliseconds connect{3000};
        std::chrono::milliseconds command{5000};
        // Page.navigate answers once the new page has started to arrive.
        std::chrono::milliseconds navigation{10000};
    };

    // `session` carries the HTTP requests; without one, the calling thread's network manager.
    explicit DevToolsBrowserAutomation(std::shared_ptr<Workspace> workspace,
                                       QNetworkAccessManager* session = nullptr);
    DevToolsBrowserAutomation(std::shared_ptr<Workspace> workspace, QNetworkAccessManager* session,
                              Deadlines deadlines);
    ~DevToolsBrowserAutomation() override;

    QCoro::Task<std::optional<BrowserTarget>> frontmost() override;
    QCoro::Task<QList<BrowserTarget>> running() override;
    QCoro::Task<std::optional<QString>> activeTabURL(BrowserTarget target) override;
    QCoro::Task<std::optional<QString>> closeActiveTab(BrowserTarget target) override;
    QCoro::Task<std::optional<QString>> navigateActiveTab(BrowserTarget target, QUrl url) override;
    QCoro::Task<BrowserClickResult> clickPageElement(BrowserTarget target, QString name) override;

private:
    // The coroutines copy these before their first suspension and never touch `this` after it.
    std::shared_ptr<Workspace> m_workspace;
    QPointer<QNetworkAccessManager> m_session;
    Deadlines m_deadlines;
};

} // namespace korvane
