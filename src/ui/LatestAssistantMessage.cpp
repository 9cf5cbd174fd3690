// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LatestAssistantMessage.h"

namespace korvane {

LatestAssistantMessage::LatestAssistantMessage(QObject* parent)
    : QObject(parent)
{
}

void LatestAssistantMessage::setModel(QAbstractItemModel* model)
{
    if (model == m_model)
        return;
    for (const auto& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_model = model;
    if (m_model) {
        const auto update = [this] { refresh(); };
        m_connections = {
            connect(m_model, &QAbstractItemModel::rowsInserted, this, update),
            connect(m_model, &QAbstractItemModel::rowsRemoved, this, update),
            connect(m_model, &QAbstractItemModel::rowsMoved, this, update),
            connect(m_model, &QAbstractItemModel::dataChanged, this, update),
            connect(m_model, &QAbstractItemModel::modelReset, this, update),
            connect(m_model, &QAbstractItemModel::layoutChanged, this, update),
        };
    }
    refresh();
    Q_EMIT modelChanged();
}

void LatestAssistantMessage::refresh()
{
    bool present = false;
    QString content;
    if (m_model) {
        const auto roles = m_model->roleNames();
        const int roleRole = roles.key("role", -1);
        const int contentRole = roles.key("content", -1);
        for (int row = m_model->rowCount() - 1; row >= 0 && roleRole >= 0; --row) {
            const QModelIndex index = m_model->index(row, 0);
            if (m_model->data(index, roleRole).toString() == u"assistant") {
                present = true;
                content = m_model->data(index, contentRole).toString();
                break;
            }
        }
    }
    if (present == m_present && content == m_content)
        return;
    m_present = present;
    m_content = content;
    Q_EMIT changed();
}

} // namespace korvane
