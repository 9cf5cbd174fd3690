// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"

#include <QPointF>
#include <QString>
#include <Qt>

namespace korvane {

// Synthetic mouse and keyboard input into the desktop's session. Blocking: call it on the
// automation thread.
class InputSynthesizer {
public:
    virtual ~InputSynthesizer() = default;

    // Makes ready what posting needs (a connection, the desktop's consent), on first use.
    // Fails with one sentence that says what to allow or install.
    virtual Outcome prepare() = 0;
    // A left-button press and release at `point`, in screen coordinates. False when the
    // click could not be posted (this desktop cannot point at a position, or it went away).
    virtual bool postClick(QPointF point) = 0;
    // One key press and release with `modifiers` held around it. False when not posted.
    virtual bool postKey(Qt::Key key, Qt::KeyboardModifiers modifiers) = 0;
    // One key press and release typing `utf16` (one Unicode scalar: one or two code units).
    // False when not posted.
    virtual bool postUnicode(const QString& utf16) = 0;
};

} // namespace korvane
