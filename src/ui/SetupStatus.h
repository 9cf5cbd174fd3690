// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

namespace korvane {

// What the window tells a new user: whether an API key is configured (and where to put one),
// and whether the scripts' Python environment is being prepared. The key is looked up again
// while it is missing and whenever the window becomes active; only its presence is kept.
// Not final: the QML engine derives from its element types.
class SetupStatus : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Setup)
    QML_SINGLETON
    Q_PROPERTY(bool hasApiKey READ hasApiKey NOTIFY hasApiKeyChanged)
    Q_PROPERTY(QString userEnvFile READ userEnvFile CONSTANT)
    Q_PROPERTY(bool isPreparingScripts READ isPreparingScripts NOTIFY isPreparingScriptsChanged)
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)

public:
    explicit SetupStatus(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SetupStatus)

    bool hasApiKey() const;
    // The user's .env.local, with ~ for the home folder.
    QString userEnvFile() const;
    bool isPreparingScripts() const;
    // Why the file could not be opened; empty when it could.
    QString problem() const;

    Q_INVOKABLE void refresh();
    // Creates the user's .env.local when missing and opens it in the text editor.
    Q_INVOKABLE void openUserEnvFile();

Q_SIGNALS:
    void hasApiKeyChanged();
    void isPreparingScriptsChanged();
    void problemChanged();

private:
    void setProblem(const QString& problem);

    bool m_hasApiKey = false;
    QString m_problem;
    QTimer m_poll;
};

} // namespace korvane
