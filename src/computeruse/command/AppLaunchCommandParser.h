// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

class CommandText;

// "open/launch/start [my] [the] NAME [app|application]" → the application name.
class AppLaunchCommandParser final {
public:
    static std::optional<QString> parse(QStringView text);
    // Same, on a piece of a larger text.
    static std::optional<QString> parse(const CommandText& text);

    static QString stripLeadingArticles(QStringView from);
    static QString stripAppSuffix(QStringView from);
};

} // namespace korvane
