// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AccessibilityTree.h"

#include <QPointF>
#include <QString>

#include <functional>
#include <memory>

namespace korvane {

// The accessibility tree of AT-SPI 2: applications are the children of the desktop, matched to
// a window's owner by process id. Only children that are both VISIBLE and SHOWING are
// returned.
// Every call blocks on D-Bus with a short time-out; make all of them, and drop every handle it
// gave out, on the automation thread.
class AtspiAccessibilityTree final : public AccessibilityTree {
public:
    // Where the top-level window of a process with that title is on screen; absent when the
    // desktop does not say.
    using WindowOrigin =
        std::function<std::optional<QPointF>(qint64 processId, const QString& windowTitle)>;

    // Without `windowOrigin` the toolkits' screen coordinates are taken as they are (X11).
    // With it, they are read as places inside the window (Wayland tells no client where its
    // window is), and a frame is known only where the window's origin is.
    explicit AtspiAccessibilityTree(WindowOrigin windowOrigin = {});

    // Call in main() before the Q(Gui)Application exists. libatspi leaves its bus connection
    // attached to GLib's default main context, which Qt's GLib event dispatcher iterates on
    // the main thread: replies to the automation thread's calls are then read there, and the
    // calls time out. Qt's own dispatcher leaves the default context alone.
    static void prepareProcess();
    ~AtspiAccessibilityTree() override;
    Q_DISABLE_COPY_MOVE(AtspiAccessibilityTree)

    bool isTrusted(bool prompt) override;
    AccessibleElement applicationElement(qint64 processId) override;
    std::optional<AccessibleRole> role(const AccessibleElement& element) override;
    std::optional<QString> text(const AccessibleElement& element, AccessibleText which) override;
    bool canPress(const AccessibleElement& element) override;
    QList<AccessibleElement> children(const AccessibleElement& element) override;
    std::optional<QRectF> frame(const AccessibleElement& element) override;
    bool press(const AccessibleElement& element) override;
    bool focus(const AccessibleElement& element) override;
    AccessibleElement focusedElement(const AccessibleElement& root) override;
    bool insertText(const AccessibleElement& element, const QString& text) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
    WindowOrigin m_windowOrigin;
};

} // namespace korvane
