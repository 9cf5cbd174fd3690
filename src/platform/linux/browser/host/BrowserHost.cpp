// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/host/BrowserHost.h"

#include "platform/linux/browser/host/BrowserRelay.h"
#include "platform/linux/browser/host/LoopbackListener.h"
#include "platform/linux/browser/host/SocketPairChannel.h"
#include "platform/linux/browser/host/WebSocketChannel.h"

#include <QLoggingCategory>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane {

namespace {

Q_LOGGING_CATEGORY(lcHost, "korvane.browserhost", QtInfoMsg)

// What Firefox prints once its WebDriver BiDi server listens.
const QRegularExpression endpointLine(u"WebDriver BiDi listening on (ws://[^\\s]+)"_qs);

// Firefox's own output is noise once the endpoint is known; only its tail is kept until then.
constexpr qsizetype keptErrorOutput = 64 * 1024;

} // namespace

BrowserHost::BrowserHost(Settings settings, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        fail(m_settings.browser.name + u" did not open its remote connection in time."_qs);
    });
    connect(&m_browser, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(m_settings.browser.name + u" could not start: "_qs + m_browser.errorString());
    });
    connect(&m_browser, &QProcess::finished, this, [this] {
        if (!m_ready)
            fail(m_settings.browser.name +
                 u" quit as soon as it started; a copy of it may already be running with the "
                 u"same profile. Quit "_qs +
                 m_settings.browser.name + u" and try again."_qs);
        Q_EMIT finished();
    });
}

BrowserHost::~BrowserHost() = default;

void BrowserHost::start()
{
    if (m_settings.command.isEmpty()) {
        fail(u"No command starts "_qs + m_settings.browser.name + u'.');
        return;
    }
    m_deadline.start(m_settings.startDeadline);
    m_browser.setProgram(m_settings.command.first());
    m_browser.setArguments(m_settings.command.mid(1));
    m_browser.setStandardInputFile(QProcess::nullDevice());
    m_browser.setStandardOutputFile(QProcess::nullDevice());
    if (m_settings.browser.protocol == RemoteProtocol::devTools)
        startWithPipe();
    else
        startWithPort();
}

void BrowserHost::startWithPipe()
{
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        fail(u"Korvane could not make a connection for "_qs + m_settings.browser.name + u'.');
        return;
    }
    m_browser.setStandardErrorFile(QProcess::nullDevice());
    const int browserEnd = ends[1];
    m_browser.setChildProcessModifier([browserEnd] {
        // The browser reads commands on descriptor 3 and writes replies on 4; both are this
        // one end. Duplicated above 4 first, so neither dup2 can close the other's source.
        const int end = ::fcntl(browserEnd, F_DUPFD, 5);
        if (end < 0 || ::dup2(end, 3) < 0 || ::dup2(end, 4) < 0)
            ::_exit(127);
        ::close(end);
    });
    m_browser.start();
    ::close(browserEnd);
    if (!m_browser.waitForStarted(int(m_settings.startDeadline.count()))) {
        ::close(ends[0]);
        return;
    }
    serve(new SocketPairChannel(ends[0], this));
}

void BrowserHost::startWithPort()
{
    m_browser.setProcessChannelMode(QProcess::SeparateChannels);
    connect(&m_browser, &QProcess::readyReadStandardError, this, &BrowserHost::readErrorOutput);
    m_browser.start();
}

void BrowserHost::readErrorOutput()
{
    const QByteArray output = m_browser.readAllStandardError();
    if (m_endpointFound || m_failed)
        return;
    m_errorOutput.append(output);
    if (m_errorOutput.size() > keptErrorOutput)
        m_errorOutput = m_errorOutput.right(keptErrorOutput);
    const QRegularExpressionMatch match = endpointLine.match(QString::fromLocal8Bit(m_errorOutput));
    if (!match.hasMatch())
        return;
    m_endpointFound = true;
    m_errorOutput.clear();
    connectToPort(QUrl(match.captured(1), QUrl::StrictMode));
}

void BrowserHost::connectToPort(const QUrl& endpoint)
{
    const QString& name = m_settings.browser.name;
    const int port = endpoint.port();
    if (endpoint.host() != u"127.0.0.1" || port <= 0) {
        fail(name + u" opened its remote connection away from this computer's loopback "
                    u"address."_qs);
        return;
    }
    // Any program may listen on a loopback port; only the browser's own socket is trusted.
    if (!LoopbackListener::isOwnedBy(quint16(port), m_browser.processId())) {
        fail(u"Something other than "_qs + name + u" listens on its remote port "_qs +
             QString::number(port) + u'.');
        return;
    }
    auto* channel = new WebSocketChannel(this);
    connect(channel, &WebSocketChannel::connected, this, [this, channel] { serve(channel); });
    connect(channel, &BrowserChannel::closed, this, [this] {
        if (!m_ready)
            fail(u"Korvane could not connect to "_qs + m_settings.browser.name + u'.');
    });
    QUrl session = endpoint;
    session.setPath(u"/session"_qs);
    channel->open(session);
}

void BrowserHost::serve(BrowserChannel* channel)
{
    if (m_failed)
        return;
    m_channel = channel;
    BrowserHostGreeting greeting = m_settings.browser;
    greeting.processId = m_browser.processId();
    m_relay = new BrowserRelay(greeting, channel, this);
    connect(channel, &BrowserChannel::closed, this, [this] {
        // The browser dropped its remote end: nothing more can be driven.
        if (m_ready)
            Q_EMIT finished();
    });
    if (m_settings.browser.protocol == RemoteProtocol::devTools) {
        m_relay->command(u"Browser.getVersion"_qs, {}, [this](const RemoteReply& reply) {
            if (reply.errorMessage)
                fail(m_settings.browser.name + u" refused its remote connection: "_qs +
                     *reply.errorMessage);
            else
                listen();
        });
        return;
    }
    // Firefox allows one session at a time; holding it keeps other programs out. Dialogs are
    // the person's to answer, never dismissed by the session.
    const QJsonObject capabilities{
        {u"alwaysMatch"_qs,
         QJsonObject{{u"unhandledPromptBehavior"_qs, QJsonObject{{u"default"_qs, u"ignore"_qs}}}}}};
    m_relay->command(u"session.new"_qs, {{u"capabilities"_qs, capabilities}},
                     [this](const RemoteReply& reply) {
                         if (reply.errorMessage)
                             fail(m_settings.browser.name + u" refused a remote session: "_qs +
                                  *reply.errorMessage);
                         else
                             listen();
                     });
}

void BrowserHost::listen()
{
    if (m_failed)
        return;
    if (!m_relay->listen(m_settings.socketPath)) {
        fail(u"Korvane could not share its connection to "_qs + m_settings.browser.name + u": "_qs +
             m_relay->errorString());
        return;
    }
    m_deadline.stop();
    m_ready = true;
    qCInfo(lcHost) << "serving" << m_settings.browser.name << "on" << m_settings.socketPath;
    Q_EMIT ready();
}

void BrowserHost::fail(const QString& sentence)
{
    if (m_failed || m_ready)
        return;
    m_failed = true;
    m_deadline.stop();
    qCWarning(lcHost) << sentence;
    Q_EMIT failed(sentence);
}

} // namespace korvane
