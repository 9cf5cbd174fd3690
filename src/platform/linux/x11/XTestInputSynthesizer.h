// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/InputSynthesizer.h"

#include <memory>

namespace korvane {

// Synthetic input through the XTEST extension of the X server named by DISPLAY.
//
// Alt is the key bound to Mod1.
//
// X events carry no modifier flags of their own: the modifier keys are pressed before the key
// and released after it, so the target sees real modifier key events.
//
// Text is typed by keysym. A character the keymap lacks is bound for the moment to a spare
// keycode, typed, and the binding removed again after a short pause (the target looks the
// keycode up when it reads the event, so the binding has to outlive the events briefly).
//
// The connection opens on first use, from whichever thread calls (calls are serialised);
// a server that goes away is noticed and reconnected to later, never fatal to the process.
class XTestInputSynthesizer final : public InputSynthesizer {
public:
    XTestInputSynthesizer();
    ~XTestInputSynthesizer() override;
    Q_DISABLE_COPY_MOVE(XTestInputSynthesizer)

    Outcome prepare() override;
    bool postClick(QPointF point) override;
    bool postKey(Qt::Key key, Qt::KeyboardModifiers modifiers) override;
    // Every Unicode scalar of `utf16` in order (the port sends one); lone surrogates and
    // control characters other than tab and line breaks are skipped.
    bool postUnicode(const QString& utf16) override;

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};

} // namespace korvane
