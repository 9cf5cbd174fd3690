// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/KorvaneArtifactQuery.h"

namespace korvane {

QString KorvaneArtifactEntity::typeDisplayName()
{
    return QStringLiteral("Korvane Artifact");
}

QList<KorvaneArtifactEntity> KorvaneArtifactQuery::suggestedEntities()
{
    return {
        {QStringLiteral("product-brief"), QStringLiteral("Product Brief"),
         QStringLiteral("Markdown")},
        {QStringLiteral("session-flow"), QStringLiteral("Session Flow"), QStringLiteral("Diagram")},
        {QStringLiteral("image-request"), QStringLiteral("Image Request"), QStringLiteral("Image")},
    };
}

QList<KorvaneArtifactEntity> KorvaneArtifactQuery::entities(const QStringList& identifiers)
{
    QList<KorvaneArtifactEntity> found;
    for (const KorvaneArtifactEntity& entity : suggestedEntities()) {
        if (identifiers.contains(entity.id))
            found.append(entity);
    }
    return found;
}

} // namespace korvane
