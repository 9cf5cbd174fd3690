// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QUuid>

namespace korvane {

// The row bookkeeping shared by the window's lists of records with an `id`: oldest first, one
// writer (AppModel). Subclasses add the roles.
template <typename Record>
class RecordListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_items.size());
    }

    const QList<Record>& items() const { return m_items; }

    // Row of the first record with `id`, or -1.
    int rowOf(const QUuid& id) const
    {
        for (qsizetype row = 0; row < m_items.size(); ++row) {
            if (m_items.at(row).id == id)
                return static_cast<int>(row);
        }
        return -1;
    }

    void append(Record record)
    {
        const int row = static_cast<int>(m_items.size());
        beginInsertRows({}, row, row);
        m_items.append(std::move(record));
        endInsertRows();
    }

    void clear()
    {
        if (m_items.isEmpty())
            return;
        beginResetModel();
        m_items.clear();
        endResetModel();
    }

protected:
    // The record at `index`, or null when the index is not one of this list's rows.
    const Record* recordAt(const QModelIndex& index) const
    {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
            return nullptr;
        return &m_items.at(index.row());
    }

    // Changes the record at `row` in place and tells the views which roles changed (all when
    // empty). Rows outside the list are ignored.
    template <typename Change>
    void update(int row, Change change, const QList<int>& roles = {})
    {
        if (row < 0 || row >= m_items.size())
            return;
        change(m_items[row]);
        const QModelIndex changed = index(row);
        Q_EMIT dataChanged(changed, changed, roles);
    }

    QList<Record> m_items;
};

} // namespace korvane
