// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace korvane {

// A document the system may name. Shown with its title, and its kind as subtitle.
struct KorvaneArtifactEntity {
    QString id{};
    QString title{};
    QString kind{};

    // "Korvane Artifact".
    static QString typeDisplayName();

    friend bool operator==(const KorvaneArtifactEntity&, const KorvaneArtifactEntity&) = default;
};

// Answers from a fixed list, never from the live inspector.
struct KorvaneArtifactQuery {
    // The known artifacts whose id is listed, in the fixed order.
    static QList<KorvaneArtifactEntity> entities(const QStringList& identifiers);
    static QList<KorvaneArtifactEntity> suggestedEntities();
};

} // namespace korvane
