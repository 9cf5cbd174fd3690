// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QSemaphore>
#include <QVariantMap>

#include <mutex>
#include <optional>

namespace korvane {

// Takes in a portal request's Response signal on the thread it lives on, for a thread that
// waits on `answered`.
class PortalResponseListener final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    QSemaphore answered;
    std::mutex mutex;
    std::optional<std::pair<uint, QVariantMap>> answer;

public Q_SLOTS:
    void response(uint code, const QVariantMap& results);
};

} // namespace korvane
