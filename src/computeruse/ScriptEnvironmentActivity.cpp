// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ScriptEnvironmentActivity.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace korvane {

ScriptEnvironmentActivity::ScriptEnvironmentActivity()
{
    // Signals reach the window on the main thread, whichever thread made this first.
    if (QCoreApplication* application = QCoreApplication::instance())
        moveToThread(application->thread());
}

ScriptEnvironmentActivity& ScriptEnvironmentActivity::shared()
{
    static ScriptEnvironmentActivity activity;
    return activity;
}

bool ScriptEnvironmentActivity::isPreparing() const
{
    return m_preparations.load() > 0;
}

void ScriptEnvironmentActivity::announce()
{
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT isPreparingChanged(); }, Qt::QueuedConnection);
}

ScriptEnvironmentActivity::Preparation::Preparation()
{
    ScriptEnvironmentActivity& activity = shared();
    if (activity.m_preparations.fetch_add(1) == 0)
        activity.announce();
}

ScriptEnvironmentActivity::Preparation::~Preparation()
{
    ScriptEnvironmentActivity& activity = shared();
    if (activity.m_preparations.fetch_sub(1) == 1)
        activity.announce();
}

} // namespace korvane
