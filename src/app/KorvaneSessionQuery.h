// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace korvane {

// A conversation the system may name. Shown by its title.
struct KorvaneSessionEntity {
    QString id{};
    QString title{};

    // "Korvane Session".
    static QString typeDisplayName();

    friend bool operator==(const KorvaneSessionEntity&, const KorvaneSessionEntity&) = default;
};

// Answers from a fixed list, never from the live conversation.
struct KorvaneSessionQuery {
    // The known sessions whose id is listed, in the fixed order.
    static QList<KorvaneSessionEntity> entities(const QStringList& identifiers);
    static QList<KorvaneSessionEntity> suggestedEntities();
    // The "chat" session.
    static KorvaneSessionEntity defaultResult();
};

} // namespace korvane
