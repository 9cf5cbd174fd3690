// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/portal/PortalRequest.h"

#include "platform/linux/portal/PortalResponseListener.h"

#include <QCoreApplication>
#include <QDBusMessage>

namespace korvane {

namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

} // namespace

PortalRequest::PortalRequest(QDBusConnection bus, const QString& portal, const QString& token)
    : m_bus(std::move(bus))
    , m_portal(portal)
    , m_listener(new PortalResponseListener)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        m_listener->moveToThread(application->thread());
    // ":1.42" answers on .../request/1_42/TOKEN.
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    m_path = QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + u'/' + token;
    listen(true);
}

PortalRequest::~PortalRequest()
{
    listen(false);
    // Deleted on its own thread, after any delivery already queued for it.
    m_listener->deleteLater();
}

void PortalRequest::listen(bool on)
{
    if (on) {
        m_bus.connect(m_portal, m_path, requestInterface, QStringLiteral("Response"), m_listener,
                      SLOT(response(uint, QVariantMap)));
    } else {
        m_bus.disconnect(m_portal, m_path, requestInterface, QStringLiteral("Response"), m_listener,
                         SLOT(response(uint, QVariantMap)));
    }
}

void PortalRequest::follow(const QString& handle)
{
    if (handle.isEmpty() || handle == m_path)
        return;
    listen(false);
    m_path = handle;
    listen(true);
}

std::optional<PortalRequest::Response> PortalRequest::wait(std::chrono::milliseconds timeout)
{
    if (!m_listener->answered.tryAcquire(1, int(timeout.count()))) {
        m_bus.call(QDBusMessage::createMethodCall(m_portal, m_path, requestInterface,
                                                  QStringLiteral("Close")),
                   QDBus::Block, 2000);
        return std::nullopt;
    }
    const std::lock_guard lock(m_listener->mutex);
    return Response{m_listener->answer->first, m_listener->answer->second};
}

} // namespace korvane
