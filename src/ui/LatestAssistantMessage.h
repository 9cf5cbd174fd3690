// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractItemModel>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace korvane {

// Follows a conversation list model and publishes its newest assistant message, so the
// inspector can show it when no artifact is selected. Rows are read through the role names
// "role" (raw value) and "content".
// Not final: the QML engine derives from its element types.
class LatestAssistantMessage : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QAbstractItemModel* model READ model WRITE setModel NOTIFY modelChanged)
    Q_PROPERTY(bool present READ isPresent NOTIFY changed)
    Q_PROPERTY(QString content READ content NOTIFY changed)

public:
    explicit LatestAssistantMessage(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LatestAssistantMessage)

    QAbstractItemModel* model() const { return m_model; }
    void setModel(QAbstractItemModel* model);
    bool isPresent() const { return m_present; }
    QString content() const { return m_content; }

Q_SIGNALS:
    void modelChanged();
    void changed();

private:
    void refresh();

    QPointer<QAbstractItemModel> m_model;
    QList<QMetaObject::Connection> m_connections;
    bool m_present = false;
    QString m_content;
};

} // namespace korvane
