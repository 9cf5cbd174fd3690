// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"

#include <QString>
#include <qcoro/qcorotask.h>

#include <functional>

namespace korvane {

// One key combination that works desktop-wide, whichever window has the focus, and says when
// it goes down and when it comes up again. Lives on the main thread; the callbacks are called
// there.
class GlobalShortcut {
public:
    virtual ~GlobalShortcut() = default;

    // Whether this desktop offers this kind of shortcut at all.
    virtual QCoro::Task<bool> isOffered() = 0;
    // Binds `keys` (KeyCombination's text, "Ctrl+Alt+Space") in place of any earlier binding.
    virtual QCoro::Task<Outcome> bind(QString keys) = 0;
    virtual void unbind() = 0;

    std::function<void()> onPressed{};
    std::function<void()> onReleased{};
};

} // namespace korvane
