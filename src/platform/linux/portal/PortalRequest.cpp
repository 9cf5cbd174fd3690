#include "platform/linux/portal/PortalRequest.h"

#include <QDBusMessage>
#include <QEventLoop>
#include <QTimer>

namespace korvane {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

} // namespace

PortalRequest::PortalRequest(QDBusConnection bus, const QString& token)
    : m_bus(std::move(bus))
{
    // ":1.42" answers on .../request/1_42/TOKEN.
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    m_path = QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + u'/' + token;
    listen(true);
}

PortalRequest::~PortalRequest()
{
    listen(false);
}

void PortalRequest::listen(bool on)
{
    if (on) {
        m_bus.connect(portalService, m_path, requestInterface, QStringLiteral("Response"), this,
                      SLOT(response(uint, QVariantMap)));
    } else {
        m_bus.disconnect(portalService, m_path, requestInterface, QStringLiteral("Response"), this,
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
    if (!m_response) {
        // The timer only wakes the loop when the time is up.
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.start(timeout);
        while (!m_response && timer.isActive())
            loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (!m_response) {
        m_bus.call(QDBusMessage::createMethodCall(portalService, m_path, requestInterface,
                                                  QStringLiteral("Close")),
                   QDBus::Block, 2000);
    }
    return m_response;
}

void PortalRequest::response(uint code, const QVariantMap& results)
{
    m_response = Response{code, results};
}

} // namespace korvane
