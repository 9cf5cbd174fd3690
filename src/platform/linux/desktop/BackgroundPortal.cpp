// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop/BackgroundPortal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QFile>
#include <QUuid>

namespace korvane {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString backgroundInterface = QStringLiteral("org.freedesktop.portal.Background");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

} // namespace

BackgroundPortal::BackgroundPortal(QObject* parent)
    : QObject(parent)
{
}

bool BackgroundPortal::isOffered()
{
    if (!QFile::exists(QStringLiteral("/.flatpak-info")))
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage introspect = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Introspectable"),
        QStringLiteral("Introspect"));
    const QDBusMessage reply = bus.call(introspect, QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().toString().contains(backgroundInterface);
}

void BackgroundPortal::requestAutostart(bool autostart, const QStringList& commandLine)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The request's object path is known before the call, so no answer can be missed.
    const QString token = u"korvane_" + QUuid::createUuid().toString(QUuid::Id128).left(16);
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    if (!m_requestPath.isEmpty())
        bus.disconnect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"),
                       this, SLOT(handleResponse(uint, QVariantMap)));
    m_requestPath = portalPath + QStringLiteral("/request/") + sender + u'/' + token;
    m_wanted = autostart;
    bus.connect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                SLOT(handleResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, backgroundInterface, QStringLiteral("RequestBackground"));
    const QVariantMap options{
        {QStringLiteral("handle_token"), token},
        {QStringLiteral("reason"),
         QStringLiteral("Korvane listens for \"Hey Korva\" in the background.")},
        {QStringLiteral("autostart"), autostart},
        {QStringLiteral("commandline"), commandLine},
    };
    call << QString() << options;
    // The answer comes as the request's Response signal; only a failed call is handled here.
    bus.callWithCallback(call, this, SLOT(ignoreReply()), SLOT(handleError(QDBusError)));
}

void BackgroundPortal::ignoreReply()
{
}

void BackgroundPortal::handleError(const QDBusError& error)
{
    Q_EMIT answered(false,
                    QStringLiteral("The desktop's background portal failed: ") + error.message());
}

void BackgroundPortal::handleResponse(uint response, const QVariantMap& results)
{
    if (response != 0) {
        Q_EMIT answered(false, QStringLiteral("The desktop did not allow Korvane to run in the "
                                              "background."));
        return;
    }
    const bool granted = results.value(QStringLiteral("autostart")).toBool();
    Q_EMIT answered(granted, granted || !m_wanted ? QString()
                                                  : QStringLiteral("The desktop did not allow "
                                                                   "Korvane to start at login."));
}

} // namespace korvane
