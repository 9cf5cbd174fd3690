#include "app/ArtifactListModel.h"

namespace korvane {

namespace {

QVariant imagePathValue(const Artifact& artifact)
{
    return artifact.imagePath ? QVariant(*artifact.imagePath) : QVariant();
}

} // namespace

ArtifactListModel::ArtifactListModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

ArtifactListModel::~ArtifactListModel() = default;

int ArtifactListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

QVariant ArtifactListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Artifact& artifact = m_items.at(index.row());
    switch (role) {
    case IdRole:
        return artifact.id.toString(QUuid::WithoutBraces);
    case KindRole:
        return rawValue(artifact.kind);
    case Qt::DisplayRole:
    case TitleRole:
        return artifact.title;
    case StatusRole:
        return rawValue(artifact.status);
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
        {QStringLiteral("kind"), rawValue(artifact.kind)},
        {QStringLiteral("title"), artifact.title},
        {QStringLiteral("status"), rawValue(artifact.status)},
        {QStringLiteral("createdAt"), artifact.createdAt},
        {QStringLiteral("body"), artifact.body},
        {QStringLiteral("imagePath"), imagePathValue(artifact)},
    };
}

const QList<Artifact>& ArtifactListModel::items() const
{
    return m_items;
}

int ArtifactListModel::rowOf(const QUuid& id) const
{
    for (qsizetype row = 0; row < m_items.size(); ++row) {
        if (m_items.at(row).id == id)
            return static_cast<int>(row);
    }
    return -1;
}

void ArtifactListModel::append(Artifact artifact)
{
    const int row = static_cast<int>(m_items.size());
    beginInsertRows({}, row, row);
    m_items.append(std::move(artifact));
    endInsertRows();
}

void ArtifactListModel::replace(int row, Artifact artifact)
{
    if (row < 0 || row >= m_items.size())
        return;
    m_items[row] = std::move(artifact);
    const QModelIndex changed = index(row);
    Q_EMIT dataChanged(changed, changed);
}

void ArtifactListModel::removeAt(int row)
{
    if (row < 0 || row >= m_items.size())
        return;
    beginRemoveRows({}, row, row);
    m_items.removeAt(row);
    endRemoveRows();
}

void ArtifactListModel::clear()
{
    if (m_items.isEmpty())
        return;
    beginResetModel();
    m_items.clear();
    endResetModel();
}

} // namespace korvane
