// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MessageListModel.h"

namespace korvane {

MessageListModel::MessageListModel(QObject* parent)
    : RecordListModel(parent)
{
}

MessageListModel::~MessageListModel() = default;

QVariant MessageListModel::data(const QModelIndex& index, int role) const
{
    const ConversationMessage* record = recordAt(index);
    if (!record)
        return {};
    const ConversationMessage& message = *record;
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

void MessageListModel::setContent(int row, QString content)
{
    update(row, [&content](ConversationMessage& message) { message.content = std::move(content); },
           {ContentRole, Qt::DisplayRole});
}

} // namespace korvane
