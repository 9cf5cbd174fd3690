#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

// The answer to one DevTools command.
struct DevToolsReply {
    qint64 id = 0;
    // The command's "result" object; empty on an error.
    QJsonObject result{};
    // The "error" object's message (or a placeholder when it had none); absent on success.
    std::optional<QString> errorMessage{};

    friend bool operator==(const DevToolsReply&, const DevToolsReply&) = default;
};

// DevTools protocol messages as text: commands out, replies in. Events (messages with a
// "method" and no "id") are not replies.
class DevToolsMessage final {
public:
    // No reply the operations wait for comes near this.
    static constexpr qsizetype maximumBytes = 4 * 1024 * 1024;

    static QByteArray command(qint64 id, const QString& method, const QJsonObject& params);
    // Absent for events, messages with neither a result nor an error, malformed or oversized
    // text, and ids that are not whole numbers.
    static std::optional<DevToolsReply> parseReply(QStringView text);
};

} // namespace korvane
