// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop/DesktopWindowActivator.h"

#include "platform/AutomationThread.h"
#include "platform/linux/desktop/WindowActivation.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

namespace korvane {

namespace {

using namespace std::chrono_literals;

// How long the window system gets to show the window active before the fallbacks start.
constexpr auto activationGrace = 500ms;

} // namespace

DesktopWindowActivator::DesktopWindowActivator(QWindow* mainWindow,
                                               std::function<bool(qint64)> raiseWindowOf)
    : m_mainWindow(mainWindow)
    , m_raiseWindowOf(std::move(raiseWindowOf))
{
}

void DesktopWindowActivator::activateAppWindows()
{
    // Other windows that are open (settings) come forward too, behind the main one.
    const auto windows = QGuiApplication::topLevelWindows();
    for (QWindow* window : windows) {
        if (window != m_mainWindow && window->isVisible() && !window->transientParent())
            bringWindowToFront(window);
    }
    bringWindowToFront(m_mainWindow);
    // Activations come in pairs (now and a moment later): one check serves both.
    if (m_mainWindow && !m_checkPending) {
        m_checkPending = true;
        QTimer::singleShot(activationGrace, m_mainWindow, [this] { checkCameForward(); });
    }
}

void DesktopWindowActivator::checkCameForward()
{
    if (!m_mainWindow || m_mainWindow->isActive() || !m_raiseWindowOf) {
        signalUnlessActive();
        return;
    }
    // The desktop's own scripting blocks for a moment: off the main thread.
    auto* watcher = new QFutureWatcher<bool>(m_mainWindow);
    QObject::connect(watcher, &QFutureWatcher<bool>::finished, m_mainWindow, [this, watcher] {
        watcher->deleteLater();
        QTimer::singleShot(activationGrace, m_mainWindow, [this] { signalUnlessActive(); });
    });
    watcher->setFuture(runOnAutomationThread(
        [raise = m_raiseWindowOf, processId = QCoreApplication::applicationPid()] {
            return raise(processId);
        }));
}

void DesktopWindowActivator::signalUnlessActive()
{
    m_checkPending = false;
    if (m_mainWindow && !m_mainWindow->isActive())
        m_notification.show();
}

} // namespace korvane
