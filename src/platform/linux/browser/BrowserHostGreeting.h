// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/browser/KnownBrowsers.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace korvane {

// The first message a browser host sends on every connection: which browser it drives.
struct BrowserHostGreeting {
    RemoteProtocol protocol = RemoteProtocol::devTools;
    // The browser's main process, the owner of its windows.
    qint64 processId = 0;
    QString desktopId{};
    QString name{};
    QString profile{};

    QByteArray toJson() const;
    // Absent when the text is not a greeting.
    static std::optional<BrowserHostGreeting> parse(QByteArrayView json);

    friend bool operator==(const BrowserHostGreeting&, const BrowserHostGreeting&) = default;
};

} // namespace korvane
