#include "platform/linux/desktop/DesktopWindowActivator.h"

#include "platform/linux/desktop/WindowActivation.h"

#include <QGuiApplication>
#include <QWindow>

namespace korvane {

DesktopWindowActivator::DesktopWindowActivator(QWindow* mainWindow)
    : m_mainWindow(mainWindow)
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
}

} // namespace korvane
