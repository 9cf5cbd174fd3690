// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

namespace korvane {

class BackgroundPortal;
class UserSettings;

// The setting "Start at login and listen for "Hey Korva"": keeps the stored setting and the
// desktop's autostart in step (the XDG autostart entry, or the Background portal inside a
// sandbox). A failure leaves the setting as it was and says why in `problem`.
class LoginStartup final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)

public:
    // `program` is what the autostart entry starts, with --background.
    LoginStartup(UserSettings& settings, QString program, QObject* parent = nullptr);
    ~LoginStartup() override;
    Q_DISABLE_COPY_MOVE(LoginStartup)

    bool enabled() const;
    void setEnabled(bool enabled);
    QString problem() const;

Q_SIGNALS:
    void enabledChanged();
    void problemChanged();

private:
    void setProblem(const QString& problem);
    // The entry written by another Korvane, or removed by the desktop's own settings.
    void reconcile();

    UserSettings& m_settings;
    QString m_program;
    QString m_problem;
    QPointer<BackgroundPortal> m_portal;
};

} // namespace korvane
