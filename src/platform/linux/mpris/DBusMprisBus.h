// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/mpris/MprisBus.h"

#include <QDBusConnection>

#include <optional>

namespace korvane {

// MPRIS over Qt D-Bus: every call is asynchronous and bounded by callTimeoutMs, so a hung
// player cannot stall the caller.
class DBusMprisBus final : public MprisBus {
public:
    // The session bus, looked up at each call.
    DBusMprisBus();
    explicit DBusMprisBus(QDBusConnection connection);

    QCoro::Task<QList<MprisPlayer>> players() override;
    QCoro::Task<std::optional<MprisPlayer>> player(QString service) override;
    QCoro::Task<Outcome> call(QString service, QString interface, QString method,
                              QVariantList arguments) override;

    static inline constexpr int callTimeoutMs = 2000;

private:
    QDBusConnection connection() const;

    std::optional<QDBusConnection> m_connection;
};

} // namespace korvane
