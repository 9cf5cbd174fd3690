#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace korvane {

// One entry of a browser's DevTools target list (GET /json/list).
struct DevToolsTarget {
    QString id{};
    // "page" for tabs; also "iframe", "service_worker", "other"…
    QString type{};
    QString title{};
    QString url{};
    // Missing while another DevTools client is attached to the target.
    QString webSocketDebuggerUrl{};

    friend bool operator==(const DevToolsTarget&, const DevToolsTarget&) = default;
};

// The target list as DevTools sends it: a JSON array, most recently active tab first.
class DevToolsTargetList final {
public:
    // A list of tabs is small; anything larger is not one.
    static constexpr qsizetype maximumBytes = 4 * 1024 * 1024;

    // Absent when the text is not a JSON array (or is larger than the cap). Entries that are
    // not objects are skipped; fields that are not strings read as empty.
    static std::optional<QList<DevToolsTarget>> parse(QByteArrayView json);
    // The active tab: the first entry of type "page".
    static std::optional<DevToolsTarget> activePage(const QList<DevToolsTarget>& targets);
};

} // namespace korvane
