#pragma once

#include <QPointF>
#include <QString>
#include <QtGlobal>

namespace korvane {

// Synthetic mouse and keyboard input into the desktop's session. Blocking: call it on the
// automation thread. Key codes and modifier flags are KeyboardKey's.
class InputSynthesizer {
public:
    virtual ~InputSynthesizer() = default;

    // Whether events can be posted at all (a display is reachable and allows synthetic input).
    virtual bool isAvailable() = 0;
    // A left-button press and release at `point`, in screen coordinates.
    virtual void postClick(QPointF point) = 0;
    // One key-down and key-up of `keyCode` with `modifiers` held for both.
    virtual void postKey(quint16 keyCode, quint64 modifiers) = 0;
    // One key-down and key-up carrying `utf16` (one Unicode scalar: one or two code units).
    virtual void postUnicode(QString utf16) = 0;
};

} // namespace korvane
