// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SetupStatus.h"

#include "computeruse/ScriptEnvironmentActivity.h"
#include "core/ApiKeySetup.h"
#include "core/LocalEnvironment.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QUrl>

namespace korvane {

namespace {

using namespace std::chrono_literals;

} // namespace

SetupStatus::SetupStatus(QObject* parent)
    : QObject(parent)
    , m_hasApiKey(ApiKeySetup::isConfigured())
{
    // A few small files, read only while the key is missing: the banner goes soon after the
    // person saves the file.
    m_poll.setInterval(2s);
    connect(&m_poll, &QTimer::timeout, this, &SetupStatus::refresh);
    if (!m_hasApiKey)
        m_poll.start();
    if (qGuiApp) {
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive)
                        refresh();
                });
    }
    connect(&ScriptEnvironmentActivity::shared(), &ScriptEnvironmentActivity::isPreparingChanged,
            this, &SetupStatus::isPreparingScriptsChanged);
}

bool SetupStatus::hasApiKey() const
{
    return m_hasApiKey;
}

QString SetupStatus::userEnvFile() const
{
    const QString path = LocalEnvironment::userEnvFile();
    const QString home = QDir::homePath();
    if (path.startsWith(home + u'/'))
        return u'~' + path.mid(home.size());
    return path;
}

bool SetupStatus::isPreparingScripts() const
{
    return ScriptEnvironmentActivity::shared().isPreparing();
}

QString SetupStatus::problem() const
{
    return m_problem;
}

void SetupStatus::refresh()
{
    const bool found = ApiKeySetup::isConfigured();
    if (found)
        m_poll.stop();
    else if (!m_poll.isActive())
        m_poll.start();
    if (found == m_hasApiKey)
        return;
    m_hasApiKey = found;
    Q_EMIT hasApiKeyChanged();
}

void SetupStatus::openUserEnvFile()
{
    if (const Outcome created = ApiKeySetup::createUserEnvFile(); !created) {
        setProblem(created.error());
        return;
    }
    const QString path = LocalEnvironment::userEnvFile();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        setProblem(tr("No application opened %1: open it in a text editor and add the key there.")
                       .arg(path));
        return;
    }
    setProblem(QString());
}

void SetupStatus::setProblem(const QString& problem)
{
    if (m_problem == problem)
        return;
    m_problem = problem;
    Q_EMIT problemChanged();
}

} // namespace korvane
