// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/KorvaneSessionQuery.h"

namespace korvane {

QString KorvaneSessionEntity::typeDisplayName()
{
    return QStringLiteral("Korvane Session");
}

QList<KorvaneSessionEntity> KorvaneSessionQuery::suggestedEntities()
{
    return {{QStringLiteral("chat"), QStringLiteral("Chat")}};
}

QList<KorvaneSessionEntity> KorvaneSessionQuery::entities(const QStringList& identifiers)
{
    QList<KorvaneSessionEntity> found;
    for (const KorvaneSessionEntity& entity : suggestedEntities()) {
        if (identifiers.contains(entity.id))
            found.append(entity);
    }
    return found;
}

KorvaneSessionEntity KorvaneSessionQuery::defaultResult()
{
    return suggestedEntities().constFirst();
}

} // namespace korvane
