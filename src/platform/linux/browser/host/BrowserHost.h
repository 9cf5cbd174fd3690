// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/browser/BrowserHostGreeting.h"

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <chrono>

namespace korvane {

class BrowserChannel;
class BrowserRelay;

// Starts one browser with its remote interface open to this host alone and, once the browser
// answers, shares that interface on the host's socket. A Chromium-family browser gets one end
// of a socket pair as its --remote-debugging-pipe; Firefox listens on a loopback port that is
// used only once the socket listening there is shown to be Firefox's own, and the host then
// holds Firefox's only WebDriver session.
class BrowserHost final : public QObject {
    Q_OBJECT

public:
    struct Settings {
        BrowserHostGreeting browser{};
        // Program first.
        QStringList command{};
        QString socketPath{};
        std::chrono::milliseconds startDeadline{60000};
    };

    explicit BrowserHost(Settings settings, QObject* parent = nullptr);
    ~BrowserHost() override;
    Q_DISABLE_COPY_MOVE(BrowserHost)

    // ready() or failed() follows, then finished() once the browser has gone.
    void start();

Q_SIGNALS:
    void ready();
    void failed(const QString& sentence);
    void finished();

private:
    void startWithPipe();
    void startWithPort();
    void readErrorOutput();
    void connectToPort(const QUrl& endpoint);
    // The channel is up: greet the browser, then open the socket.
    void serve(BrowserChannel* channel);
    void listen();
    void fail(const QString& sentence);

    Settings m_settings;
    QProcess m_browser;
    QTimer m_deadline;
    BrowserChannel* m_channel = nullptr;
    BrowserRelay* m_relay = nullptr;
    QByteArray m_errorOutput;
    bool m_endpointFound = false;
    bool m_ready = false;
    bool m_failed = false;
};

} // namespace korvane
