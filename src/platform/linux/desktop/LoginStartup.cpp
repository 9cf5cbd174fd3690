// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop/LoginStartup.h"

#include "app/UserSettings.h"
#include "platform/linux/desktop/AutostartEntry.h"
#include "platform/linux/desktop/BackgroundPortal.h"

#include <QFile>

namespace korvane {

LoginStartup::LoginStartup(UserSettings& settings, QString program, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_program(std::move(program))
{
    connect(&m_settings, &UserSettings::startAtLoginChanged, this, &LoginStartup::enabledChanged);
    if (BackgroundPortal::isOffered()) {
        m_portal = new BackgroundPortal(this);
        connect(m_portal, &BackgroundPortal::answered, this,
                [this](bool granted, const QString& problem) {
                    setProblem(problem);
                    m_settings.setStartAtLogin(granted);
                });
    }
    reconcile();
}

LoginStartup::~LoginStartup() = default;

void LoginStartup::reconcile()
{
    if (m_portal || !m_settings.startAtLogin())
        return;
    if (!AutostartEntry::exists()) {
        m_settings.setStartAtLogin(false);
        return;
    }
    QFile entry(AutostartEntry::path());
    if (entry.open(QIODevice::ReadOnly) &&
        entry.readAll() != AutostartEntry::text(m_program).toUtf8()) {
        entry.close();
        setProblem(AutostartEntry::write(m_program).error());
    }
}

bool LoginStartup::enabled() const
{
    return m_settings.startAtLogin();
}

void LoginStartup::setEnabled(bool enabled)
{
    if (m_portal) {
        m_settings.setStartAtLogin(enabled);
        m_portal->requestAutostart(enabled, {m_program, QStringLiteral("--background")});
        return;
    }
    const Outcome changed = enabled ? AutostartEntry::write(m_program) : AutostartEntry::remove();
    setProblem(changed.error());
    if (!changed) {
        // The switch shows the setting as it still is.
        Q_EMIT enabledChanged();
        return;
    }
    m_settings.setStartAtLogin(enabled);
}

QString LoginStartup::problem() const
{
    return m_problem;
}

void LoginStartup::setProblem(const QString& problem)
{
    if (m_problem == problem)
        return;
    m_problem = problem;
    Q_EMIT problemChanged();
}

} // namespace korvane
