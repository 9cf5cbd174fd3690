#pragma once

#include "core/Artifact.h"

#include <QAbstractListModel>
#include <QList>
#include <QVariantMap>

namespace korvane {

// The inspector's documents as a list for the window, oldest first. AppModel is the only
// writer. Kind and status read as their raw values; a missing image path reads as null.
class ArtifactListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        KindRole,
        TitleRole,
        StatusRole,
        CreatedAtRole,
        BodyRole,
        ImagePathRole,
    };
    Q_ENUM(Role)

    explicit ArtifactListModel(QObject* parent = nullptr);
    ~ArtifactListModel() override;
    Q_DISABLE_COPY_MOVE(ArtifactListModel)

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The artifact as the window reads it: one entry per role name.
    static QVariantMap toVariantMap(const Artifact& artifact);

    const QList<Artifact>& items() const;
    // Row of the first artifact with `id`, or -1.
    int rowOf(const QUuid& id) const;
    void append(Artifact artifact);
    void replace(int row, Artifact artifact);
    void removeAt(int row);
    void clear();

private:
    QList<Artifact> m_items;
};

} // namespace korvane
