// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

#include <memory>

namespace korvane {

// Remembers which top-level windows became active, newest first, by watching the root
// window's _NET_ACTIVE_WINDOW on an X connection and a thread of its own. The window that was
// active when watching began counts as the first activation.
class X11ActivationHistory final {
public:
    X11ActivationHistory();
    ~X11ActivationHistory();
    X11ActivationHistory(const X11ActivationHistory&) = delete;
    X11ActivationHistory& operator=(const X11ActivationHistory&) = delete;

    // X window ids, newest first, each at most once. Empty without an X display.
    QList<unsigned long> recentWindows() const;

private:
    struct Watcher;
    std::unique_ptr<Watcher> d;
};

} // namespace korvane
