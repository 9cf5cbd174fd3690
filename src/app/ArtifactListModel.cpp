// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ArtifactListModel.h"

namespace korvane {

namespace {

QVariant imagePathValue(const Artifact& artifact)
{
    return artifact.imagePath ? QVariant(*artifact.imagePath) : QVariant();
}

} // namespace

ArtifactListModel::ArtifactListModel(QObject* parent)
    : RecordListModel(parent)
{
}

ArtifactListModel::~ArtifactListModel() = default;

QVariant ArtifactListModel::data(const QModelIndex& index, int role) const
{
    const Artifact* record = recordAt(index);
    if (!record)
        return {};
    const Artifact& artifact = *record;
    switch (role) {
    case IdRole:
        return artifact.id.toString(QUuid::WithoutBraces);
    case KindRole:
        return static_cast<int>(artifact.kind);
    case Qt::DisplayRole:
    case TitleRole:
        return artifact.title;
    case StatusRole:
        return static_cast<int>(artifact.status);
    case CreatedAtRole:
        return artifact.createdAt;
    case BodyRole:
        return artifact.body;
    case ImagePathRole:
        return imagePathValue(artifact);
    default:
        return {};
    }
}

QHash<int, QByteArray> ArtifactListModel::roleNames() const
{
    return {
        {IdRole, QByteArrayLiteral("id")},
        {KindRole, QByteArrayLiteral("kind")},
        {TitleRole, QByteArrayLiteral("title")},
        {StatusRole, QByteArrayLiteral("status")},
        {CreatedAtRole, QByteArrayLiteral("createdAt")},
        {BodyRole, QByteArrayLiteral("body")},
        {ImagePathRole, QByteArrayLiteral("imagePath")},
    };
}

QVariantMap ArtifactListModel::toVariantMap(const Artifact& artifact)
{
    return {
        {QStringLiteral("id"), artifact.id.toString(QUuid::WithoutBraces)},
        {QStringLiteral("kind"), static_cast<int>(artifact.kind)},
        {QStringLiteral("title"), artifact.title},
        {QStringLiteral("status"), static_cast<int>(artifact.status)},
        {QStringLiteral("createdAt"), artifact.createdAt},
        {QStringLiteral("body"), artifact.body},
        {QStringLiteral("imagePath"), imagePathValue(artifact)},
    };
}

void ArtifactListModel::replace(int row, Artifact artifact)
{
    update(row, [&artifact](Artifact& stored) { stored = std::move(artifact); });
}

void ArtifactListModel::removeAt(int row)
{
    if (row < 0 || row >= m_items.size())
        return;
    beginRemoveRows({}, row, row);
    m_items.removeAt(row);
    endRemoveRows();
}

} // namespace korvane
