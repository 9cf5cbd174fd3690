// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/desktop/LaunchRequest.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace korvane {

// The program's org.freedesktop.Application object on the session bus. It only translates:
// every call becomes one `requested` signal, which the program hands to its intent router.
class DesktopIntentsService final : public QObject {
    Q_OBJECT

public:
    static inline const QString serviceName = QStringLiteral("com.korva.Korvane");
    static inline const QString objectPath = QStringLiteral("/com/korva/Korvane");
    static inline const QString interfaceName = QStringLiteral("org.freedesktop.Application");

    explicit DesktopIntentsService(QObject* parent = nullptr);
    ~DesktopIntentsService() override;
    Q_DISABLE_COPY_MOVE(DesktopIntentsService)

    // Exports the object, then claims the name; false when another process owns the name.
    bool registerOn(QDBusConnection connection);

    // The D-Bus calls, also used directly for requests made inside this process.
    void activate();
    // Unknown actions and mistyped parameters are ignored (with a warning).
    void activateAction(const QString& name, const QVariantList& parameter);

Q_SIGNALS:
    void requested(const korvane::LaunchRequest& request);

private:
    QDBusConnection m_connection{QString()};
    bool m_registered = false;
};

// Hands a request to the instance that owns the name. Returns whether it was delivered.
bool forwardToRunningInstance(QDBusConnection connection, const LaunchRequest& request);

} // namespace korvane
