#pragma once

#include "core/ConversationMessage.h"

#include <QAbstractListModel>
#include <QList>

namespace korvane {

// The conversation as a list for the window, oldest first. AppModel is the only writer.
class MessageListModel final : public QAbstractListModel {
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

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<ConversationMessage>& items() const;
    // Row of the first message with `id`, or -1.
    int rowOf(const QUuid& id) const;
    void append(ConversationMessage message);
    void setContent(int row, QString content);
    void clear();

private:
    QList<ConversationMessage> m_items;
};

} // namespace korvane
