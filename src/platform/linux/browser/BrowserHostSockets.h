// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace korvane {

// Where the hosts of the browsers Korvane started listen: one Unix socket per browser entry in
// $XDG_RUNTIME_DIR/korvane/browsers (else /tmp/korvane-UID/browsers), a folder only this user
// may enter. Whoever can connect there is this user, so the browsers stay private to them.
class BrowserHostSockets final {
public:
    // The folder, created when missing; absent with a reason when it cannot be made private
    // (another user owns it, others may enter it, it is a link…).
    struct Folder {
        std::optional<QString> path{};
        QString failure{};
    };
    static Folder folder();

    // "<folder>/<desktop id>.sock"; the ID is reduced to letters, digits, '.', '-' and '_'.
    // The host holding it locks "<socket>.lock" for as long as it runs.
    static QString socketPath(const QString& folder, const QString& desktopId);
};

} // namespace korvane
