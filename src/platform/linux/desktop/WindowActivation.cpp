// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop/WindowActivation.h"

#include <QWindow>

namespace korvane {

void bringWindowToFront(QWindow* window)
{
    if (!window)
        return;
    if (window->windowStates() & Qt::WindowMinimized)
        window->setWindowStates(window->windowStates() & ~Qt::WindowMinimized);
    if (!window->isVisible())
        window->show();
    window->raise();
    window->requestActivate();
}

} // namespace korvane
