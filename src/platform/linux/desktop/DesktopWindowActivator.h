#pragma once

#include "app/WindowActivator.h"

#include <QList>
#include <QPointer>

class QWindow;

namespace korvane {

// Brings the program's windows forward through the window system (see bringWindowToFront).
class DesktopWindowActivator final : public WindowActivator {
public:
    // `mainWindow` is activated last, so it ends up on top and focused.
    explicit DesktopWindowActivator(QWindow* mainWindow);

    void activateAppWindows() override;

private:
    QPointer<QWindow> m_mainWindow;
};

} // namespace korvane
