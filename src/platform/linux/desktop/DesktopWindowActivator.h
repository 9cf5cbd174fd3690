// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowActivator.h"
#include "platform/linux/desktop/ListeningNotification.h"

#include <QPointer>

#include <functional>

class QWindow;

namespace korvane {

// Brings the program's windows forward through the window system (see bringWindowToFront).
// Where the desktop keeps the main window back (GNOME on Wayland without an activation token,
// a focus-stealing guard), it asks the desktop itself to raise it where one can (KWin), and
// failing that shows a notification that Korvane is listening.
class DesktopWindowActivator final : public WindowActivator {
public:
    // `mainWindow` is activated last, so it ends up on top and focused. `raiseWindowOf` asks
    // the desktop to raise a process's window (blocking); empty where no desktop can.
    DesktopWindowActivator(QWindow* mainWindow, std::function<bool(qint64)> raiseWindowOf);

    void activateAppWindows() override;

private:
    void checkCameForward();
    void signalUnlessActive();

    QPointer<QWindow> m_mainWindow;
    std::function<bool(qint64)> m_raiseWindowOf;
    ListeningNotification m_notification;
    bool m_checkPending = false;
};

} // namespace korvane
