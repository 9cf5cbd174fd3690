// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/RecordListModel.h"
#include "core/Artifact.h"

#include <QVariantMap>

namespace korvane {

// The inspector's documents as a list for the window, oldest first. AppModel is the only
// writer. Kind and status read as the numbers of their enumerations, as QML compares them; a
// missing image path reads as null.
class ArtifactListModel final : public RecordListModel<Artifact> {
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

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The artifact as the window reads it: one entry per role name.
    static QVariantMap toVariantMap(const Artifact& artifact);

    void replace(int row, Artifact artifact);
    void removeAt(int row);
};

} // namespace korvane
