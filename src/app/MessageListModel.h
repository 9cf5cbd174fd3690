// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/RecordListModel.h"
#include "core/ConversationMessage.h"

namespace korvane {

// The conversation as a list for the window, oldest first. AppModel is the only writer.
class MessageListModel final : public RecordListModel<ConversationMessage> {
    Q_OBJECT

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        RoleRole,
        ModeRole,
        ContentRole,
        CreatedAtRole,
    };
    Q_ENUM(Role)

    explicit MessageListModel(QObject* parent = nullptr);
    ~MessageListModel() override;
    Q_DISABLE_COPY_MOVE(MessageListModel)

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    void setContent(int row, QString content);
};

} // namespace korvane
