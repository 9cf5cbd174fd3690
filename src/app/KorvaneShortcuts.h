// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/OpenKorvaneSectionIntent.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

// One suggested shortcut. Phrases hold applicationNameToken where the launcher puts the
// program's name.
struct AppShortcut {
    // "OpenKorvaneSectionIntent" or "CreateKorvaneNoteIntent".
    QString intent{};
    std::optional<KorvaneSectionIntentValue> section{};
    QStringList phrases{};
    QString shortTitle{};
    // The symbol the tile shows ("message", "square.and.pencil", "magnifyingglass").
    QString systemImageName{};

    friend bool operator==(const AppShortcut&, const AppShortcut&) = default;
};

struct KorvaneShortcuts {
    static QString applicationNameToken();
    // In the order they are offered.
    static QList<AppShortcut> appShortcuts();
};

} // namespace korvane
