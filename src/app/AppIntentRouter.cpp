// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppIntentRouter.h"

namespace korvane {

AppIntentRouter& AppIntentRouter::shared()
{
    // Created on first use, on the main thread, and kept for the life of the process.
    static AppIntentRouter instance;
    return instance;
}

AppIntentRouter::AppIntentRouter(QObject* parent)
    : QObject(parent)
{
}

AppIntentRouter::~AppIntentRouter() = default;

std::optional<AppIntentRouter::Route> AppIntentRouter::pendingRoute() const
{
    return m_pendingRoute;
}

void AppIntentRouter::setPendingRoute(Route route)
{
    m_pendingRoute = std::move(route);
    Q_EMIT pendingRouteChanged();
}

QVariant AppIntentRouter::pendingRouteValue() const
{
    return m_pendingRoute ? QVariant::fromValue(*m_pendingRoute) : QVariant();
}

} // namespace korvane
