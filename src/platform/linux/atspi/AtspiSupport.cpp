// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/atspi/AtspiSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

Q_LOGGING_CATEGORY(lcAtspi, "korvane.atspi", QtWarningMsg)

namespace korvane::atspi {

namespace {

// A call that takes longer than this has hung; an application gets a little longer while it
// starts and builds its tree.
constexpr int callTimeoutMs = 1500;
constexpr int startupGraceMs = 3000;
constexpr int busTimeoutMs = 2000;

const QString a11yService = QStringLiteral("org.a11y.Bus");
const QString a11yPath = QStringLiteral("/org/a11y/bus");
const QString statusInterface = QStringLiteral("org.a11y.Status");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

std::optional<bool> readIsEnabled(QDBusConnection& bus)
{
    QDBusMessage get = QDBusMessage::createMethodCall(a11yService, a11yPath, propertiesInterface,
                                                      QStringLiteral("Get"));
    get << statusInterface << QStringLiteral("IsEnabled");
    const QDBusMessage reply = bus.call(get, QDBus::Block, busTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

} // namespace

QString takeString(gchar* text)
{
    if (!text)
        return {};
    QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

bool CallError::timedOut() const
{
    if (!m_error || !m_error->message)
        return false;
    const QString message = QString::fromUtf8(m_error->message);
    return message.contains(u"timeout", Qt::CaseInsensitive) ||
           message.contains(u"timed out", Qt::CaseInsensitive) ||
           message.contains(u"NoReply", Qt::CaseInsensitive) ||
           message.contains(u"did not receive a reply", Qt::CaseInsensitive);
}

bool Connection::open()
{
    if (ready)
        return true;
    atspi_init();
    if (!atspi_get_a11y_bus()) {
        qCWarning(lcAtspi) << "the accessibility bus could not be opened";
        return false;
    }
    context = g_main_context_new();
    atspi_set_main_context(context);
    atspi_set_timeout(callTimeoutMs, startupGraceMs);
    ready = true;
    return true;
}

void Connection::pump() const
{
    if (!ready)
        return;
    for (int i = 0; i < 10000 && g_main_context_iteration(context, FALSE); ++i) {
    }
}

Connection& connection()
{
    static Connection instance;
    return instance;
}

bool accessibilityReady(bool turnOn)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QDBusMessage address =
        bus.call(QDBusMessage::createMethodCall(a11yService, a11yPath, a11yService,
                                                QStringLiteral("GetAddress")),
                 QDBus::Block, busTimeoutMs);
    if (address.type() != QDBusMessage::ReplyMessage)
        return false;
    std::optional<bool> enabled = readIsEnabled(bus);
    if (enabled == false && turnOn) {
        QDBusMessage set = QDBusMessage::createMethodCall(
            a11yService, a11yPath, propertiesInterface, QStringLiteral("Set"));
        set << statusInterface << QStringLiteral("IsEnabled")
            << QVariant::fromValue(QDBusVariant(true));
        bus.call(set, QDBus::Block, busTimeoutMs);
        enabled = readIsEnabled(bus);
    }
    if (enabled != true)
        return false;
    const bool open = connection().open();
    connection().pump();
    return open;
}

quint64 states(AtspiAccessible* accessible)
{
    quint64 bits = 0;
    if (AtspiStateSet* set = atspi_accessible_get_state_set(accessible)) {
        if (GArray* states = atspi_state_set_get_states(set)) {
            for (guint i = 0; i < states->len; ++i) {
                const int state = int(g_array_index(states, AtspiStateType, i));
                if (state >= 0 && state < 64)
                    bits |= quint64(1) << state;
            }
            g_array_free(states, TRUE);
        }
        g_object_unref(set);
    }
    return bits;
}

} // namespace korvane::atspi
