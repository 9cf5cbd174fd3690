// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <qcoro/qcorotask.h>

#include <memory>

namespace korvane {

class AppModel;
class GlobalShortcut;
class UserSettings;

// The hold-to-talk key: binds the shortcut the settings name (again whenever they change) and
// turns its presses and releases into held voice turns. `status` tells Settings how it stands.
class HoldToTalk final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HoldToTalk)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)

public:
    HoldToTalk(std::shared_ptr<GlobalShortcut> shortcut, AppModel* model, UserSettings* settings,
               QObject* parent = nullptr);
    ~HoldToTalk() override;

    QString status() const;
    // Stores `keys` as the shortcut and binds it; a combination Korvane does not know leaves
    // the setting as it was and says so in `status`.
    Q_INVOKABLE bool setShortcut(const QString& keys);

Q_SIGNALS:
    void statusChanged();

private:
    QCoro::Task<> bind();
    void setStatus(const QString& status);

    std::shared_ptr<GlobalShortcut> m_shortcut;
    QPointer<AppModel> m_model;
    QPointer<UserSettings> m_settings;
    QString m_status;
    // Only the latest bind reports.
    quint64 m_binds = 0;
};

} // namespace korvane
