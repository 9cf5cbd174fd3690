// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppIntentRoute.h"

#include <QObject>
#include <QVariant>

#include <optional>

namespace korvane {

// Where intents leave their wish for the window. One shared instance, main thread only. The
// last route stays; a new one is told apart by its id.
class AppIntentRouter final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QVariant pendingRoute READ pendingRouteValue NOTIFY pendingRouteChanged)

public:
    using Route = AppIntentRoute;

    static AppIntentRouter& shared();

    explicit AppIntentRouter(QObject* parent = nullptr);
    ~AppIntentRouter() override;
    Q_DISABLE_COPY_MOVE(AppIntentRouter)

    std::optional<Route> pendingRoute() const;
    void setPendingRoute(Route route);
    // The route as a QML value, or null.
    QVariant pendingRouteValue() const;

Q_SIGNALS:
    void pendingRouteChanged();

private:
    std::optional<Route> m_pendingRoute;
};

} // namespace korvane
