#include "app/MessageListModel.h"

namespace korvane {

MessageListModel::MessageListModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

MessageListModel::~MessageListModel() = default;

int MessageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ConversationMessage& message = m_items.at(index.row());
    switch (role) {
    case IdRole:
        return message.id.toString(QUuid::WithoutBraces);
    case RoleRole:
        return rawValue(message.role);
    case ModeRole:
        return message.mode ? QVariant(rawValue(*message.mode)) : QVariant();
    case Qt::DisplayRole:
    case ContentRole:
        return message.content;
    case CreatedAtRole:
        return message.createdAt;
    default:
        return {};
    }
}

QHash<int, QByteArray> MessageListModel::roleNames() const
{
    return {
        {IdRole, QByteArrayLiteral("id")},
        {RoleRole, QByteArrayLiteral("role")},
        {ModeRole, QByteArrayLiteral("mode")},
        {ContentRole, QByteArrayLiteral("content")},
        {CreatedAtRole, QByteArrayLiteral("createdAt")},
    };
}

const QList<ConversationMessage>& MessageListModel::items() const
{
    return m_items;
}

int MessageListModel::rowOf(const QUuid& id) const
{
    for (qsizetype row = 0; row < m_items.size(); ++row) {
        if (m_items.at(row).id == id)
            return static_cast<int>(row);
    }
    return -1;
}

void MessageListModel::append(ConversationMessage message)
{
    const int row = static_cast<int>(m_items.size());
    beginInsertRows({}, row, row);
    m_items.append(std::move(message));
    endInsertRows();
}

void MessageListModel::setContent(int row, QString content)
{
    if (row < 0 || row >= m_items.size())
        return;
    m_items[row].content = std::move(content);
    const QModelIndex changed = index(row);
    Q_EMIT dataChanged(changed, changed, {ContentRole, Qt::DisplayRole});
}

void MessageListModel::clear()
{
    if (m_items.isEmpty())
        return;
    beginResetModel();
    m_items.clear();
    endResetModel();
}

} // namespace korvane
