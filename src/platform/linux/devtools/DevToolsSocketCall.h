#pragma once

#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

namespace korvane {

enum class DevToolsCallFailure {
    // The WebSocket could not be opened (refused, handshake rejected…).
    connectFailed,
    // The connection or the reply did not come within its deadline.
    timedOut,
    // The browser closed the connection before it answered.
    closed,
    // The browser answered with an error object.
    rejected,
};

struct DevToolsCallOutcome {
    // The reply's "result" when the command succeeded.
    std::optional<QJsonObject> result{};
    std::optional<DevToolsCallFailure> failure{};
    // The browser's error message, or the socket's description of what went wrong.
    QString detail{};
};

// One DevTools command over a WebSocket of its own: connect (sending `origin` as the Origin
// header), send, wait for the reply carrying the command's id, close. Events and replies to
// other ids are ignored. Runs on the event loop; never blocks.
class DevToolsSocketCall final {
public:
    struct Deadlines {
        std::chrono::milliseconds connect{3000};
        std::chrono::milliseconds reply{5000};
    };

    static QCoro::Task<DevToolsCallOutcome> call(QUrl socketUrl, QString origin, QString method,
                                                 QJsonObject params, Deadlines deadlines);
};

} // namespace korvane
