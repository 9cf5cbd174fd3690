// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11/XTestInputSynthesizer.h"

#include "platform/linux/x11/X11Keymap.h"
#include "platform/linux/xkb/Keysyms.h"

#include <QLoggingCategory>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace korvane {

Q_LOGGING_CATEGORY(lcXTestInput, "korvane.platform.x11.input")

namespace {

// How long temporary keycode bindings outlive their events: the target translates a keycode
// when it reads the event, which a busy window does late. Waited once per text, not per key.
constexpr unsigned long remapSettleMilliseconds = 300;

int noteError(Display*, XErrorEvent* error)
{
    qCDebug(lcXTestInput) << "X error" << int(error->error_code) << "on request"
                          << int(error->request_code);
    return 0;
}

int noteConnectionError(Display*)
{
    qCWarning(lcXTestInput) << "the connection to the X server broke";
    return 0;
}

// Xlib's default handlers end the process on any protocol error and on a broken connection;
// a request that fails (a keycode another client just rebound) or a server that went away
// must not. The handlers are process-wide, so they are only in place while this code talks
// to the server.
class ErrorHandlerScope {
public:
    ErrorHandlerScope()
        : m_previous(XSetErrorHandler(noteError))
        , m_previousConnection(XSetIOErrorHandler(noteConnectionError))
    {
    }
    ~ErrorHandlerScope()
    {
        XSetIOErrorHandler(m_previousConnection);
        XSetErrorHandler(m_previous);
    }
    ErrorHandlerScope(const ErrorHandlerScope&) = delete;
    ErrorHandlerScope& operator=(const ErrorHandlerScope&) = delete;

private:
    XErrorHandler m_previous;
    XIOErrorHandler m_previousConnection;
};

struct Modifiers {
    bool shift = false;
    bool control = false;
    bool alternate = false;
};

Modifiers modifiersFrom(Qt::KeyboardModifiers held)
{
    Modifiers modifiers;
    modifiers.shift = held.testFlag(Qt::ShiftModifier);
    modifiers.control = held.testFlag(Qt::ControlModifier);
    modifiers.alternate = held.testFlag(Qt::AltModifier);
    return modifiers;
}

} // namespace

struct XTestInputSynthesizer::Connection {
    std::mutex mutex;
    Display* display = nullptr;
    bool lost = false;

    static void connectionLost(Display*, void* data)
    {
        // Returning instead of exiting leaves the display unusable; it is reopened later.
        static_cast<Connection*>(data)->lost = true;
    }

    void close()
    {
        if (display)
            XCloseDisplay(display);
        display = nullptr;
        lost = false;
    }

    // The open display with XTEST, or null. Call with the mutex held.
    Display* open()
    {
        if (lost) {
            qCWarning(lcXTestInput) << "lost the X display; reconnecting";
            close();
        }
        if (display)
            return display;
        Display* candidate = XOpenDisplay(nullptr);
        if (!candidate)
            return nullptr;
        XSetIOErrorExitHandler(candidate, connectionLost, this);
        int eventBase = 0;
        int errorBase = 0;
        int major = 0;
        int minor = 0;
        if (!XTestQueryExtension(candidate, &eventBase, &errorBase, &major, &minor)) {
            qCWarning(lcXTestInput) << "the X server has no XTEST extension";
            XCloseDisplay(candidate);
            return nullptr;
        }
        display = candidate;
        return display;
    }

    // A request failed beyond repair when the connection went away underneath it.
    bool usable() const { return display && !lost; }

    X11Keymap keymap()
    {
        int first = 0;
        int last = 0;
        XDisplayKeycodes(display, &first, &last);
        int perKeycode = 0;
        QList<quint32> symbols;
        const int count = last - first + 1;
        if (count > 0) {
            KeySym* mapping = XGetKeyboardMapping(display, KeyCode(first), count, &perKeycode);
            if (mapping) {
                symbols.reserve(qsizetype(count) * perKeycode);
                for (qsizetype i = 0; i < qsizetype(count) * perKeycode; ++i)
                    symbols.append(quint32(mapping[i]));
                XFree(mapping);
            } else {
                perKeycode = 0;
            }
        }
        QList<int> modifierKeycodes;
        if (XModifierKeymap* modifiers = XGetModifierMapping(display)) {
            for (int i = 0; i < 8 * modifiers->max_keypermod; ++i) {
                if (modifiers->modifiermap[i] != 0)
                    modifierKeycodes.append(modifiers->modifiermap[i]);
            }
            XFreeModifiermap(modifiers);
        }
        return X11Keymap(first, perKeycode, symbols, modifierKeycodes);
    }

    // The first keycode bound to a modifier (ShiftMapIndex, ControlMapIndex, Mod1MapIndex).
    KeyCode modifierKeycode(int modifierIndex)
    {
        KeyCode keycode = 0;
        if (XModifierKeymap* modifiers = XGetModifierMapping(display)) {
            for (int i = 0; i < modifiers->max_keypermod && keycode == 0; ++i)
                keycode = modifiers->modifiermap[modifierIndex * modifiers->max_keypermod + i];
            XFreeModifiermap(modifiers);
        }
        return keycode;
    }

    void key(KeyCode keycode, bool down)
    {
        if (keycode != 0)
            XTestFakeKeyEvent(display, keycode, down ? True : False, CurrentTime);
    }

    // The key down and up with `modifiers` held around them, then everything released.
    void press(int keycode, Modifiers modifiers)
    {
        QList<KeyCode> held;
        const auto hold = [&](bool wanted, int modifierIndex) {
            if (!wanted)
                return;
            const KeyCode modifier = modifierKeycode(modifierIndex);
            if (modifier == 0) {
                qCWarning(lcXTestInput) << "no key is bound to modifier" << modifierIndex;
                return;
            }
            key(modifier, true);
            held.append(modifier);
        };
        hold(modifiers.control, ControlMapIndex);
        hold(modifiers.alternate, Mod1MapIndex);
        hold(modifiers.shift, ShiftMapIndex);
        key(KeyCode(keycode), true);
        key(KeyCode(keycode), false);
        for (auto it = held.crbegin(); it != held.crend(); ++it)
            key(*it, false);
        XSync(display, False);
    }

    // A spare keycode bound to a keysym while one text is typed. Every character gets a keycode
    // of its own, and all are restored together after the text: a window that reads its events
    // late must still find each keycode bound as it was when the key went down.
    struct Borrowed {
        int keycode = 0;
        QList<quint32> original;
    };
    QList<Borrowed> borrowed;

    void restoreBorrowed()
    {
        if (borrowed.isEmpty())
            return;
        QThread::msleep(remapSettleMilliseconds);
        for (const Borrowed& binding : std::as_const(borrowed)) {
            QList<KeySym> symbols(binding.original.cbegin(), binding.original.cend());
            XChangeKeyboardMapping(display, binding.keycode, int(symbols.size()), symbols.data(),
                                   1);
        }
        XSync(display, False);
        borrowed.clear();
    }

    // A spare keycode bound to `keysym`; `map` is the mapping as it is now.
    std::optional<int> borrow(quint32 keysym, X11Keymap map)
    {
        std::optional<int> keycode = unborrowedSpare(map);
        if (!keycode && !borrowed.isEmpty()) {
            // Every spare keycode is taken: let the window catch up, then rebind.
            restoreBorrowed();
            map = keymap();
            keycode = unborrowedSpare(map);
        }
        if (!keycode || map.symbolsPerKeycode() == 0)
            return std::nullopt;
        QList<KeySym> bound(map.symbolsPerKeycode(), NoSymbol);
        bound[0] = keysym;
        if (bound.size() > 1)
            bound[1] = keysym; // the same with Shift held
        borrowed.append({*keycode, map.symbolsOf(*keycode)});
        XChangeKeyboardMapping(display, *keycode, map.symbolsPerKeycode(), bound.data(), 1);
        XSync(display, False);
        return keycode;
    }

    std::optional<int> unborrowedSpare(const X11Keymap& map) const
    {
        for (const int keycode : map.spareKeycodes()) {
            if (std::none_of(borrowed.cbegin(), borrowed.cend(),
                             [&](const Borrowed& b) { return b.keycode == keycode; }))
                return keycode;
        }
        return std::nullopt;
    }

    // Types `keysym`: on the key that has it, else on a spare keycode borrowed for it until
    // `restoreBorrowed`. `modifiers` are added to the Shift the keysym may need. False when not
    // posted.
    bool type(quint32 keysym, Modifiers modifiers)
    {
        X11Keymap map = keymap();
        if (const std::optional<X11Keymap::Placement> placement = map.find(keysym)) {
            modifiers.shift = modifiers.shift || placement->shifted;
            press(placement->keycode, modifiers);
            return usable();
        }
        const std::optional<int> spare = borrow(keysym, std::move(map));
        if (!spare) {
            qCWarning(lcXTestInput) << "no keycode is free to type keysym" << Qt::hex << keysym;
            return false;
        }
        press(*spare, modifiers);
        return usable();
    }
};

XTestInputSynthesizer::XTestInputSynthesizer()
    : m_connection(std::make_unique<Connection>())
{
}

XTestInputSynthesizer::~XTestInputSynthesizer()
{
    const std::lock_guard lock(m_connection->mutex);
    const ErrorHandlerScope errors;
    m_connection->close();
}

Outcome XTestInputSynthesizer::prepare()
{
    const std::lock_guard lock(m_connection->mutex);
    const ErrorHandlerScope errors;
    if (m_connection->open())
        return Outcome::success();
    return Outcome::failure(
        QStringLiteral("Korvane cannot type or click: the X display cannot be reached or does "
                       "not allow synthetic input (XTEST)."));
}

bool XTestInputSynthesizer::postClick(QPointF point)
{
    constexpr double limit = std::numeric_limits<int>::max() / 2;
    if (!std::isfinite(point.x()) || !std::isfinite(point.y()) || std::abs(point.x()) > limit ||
        std::abs(point.y()) > limit) {
        qCWarning(lcXTestInput) << "no click at an unreachable point" << point;
        return false;
    }
    const std::lock_guard lock(m_connection->mutex);
    const ErrorHandlerScope errors;
    Display* display = m_connection->open();
    if (!display)
        return false;
    XTestFakeMotionEvent(display, DefaultScreen(display), qRound(point.x()), qRound(point.y()),
                         CurrentTime);
    XTestFakeButtonEvent(display, Button1, True, CurrentTime);
    XTestFakeButtonEvent(display, Button1, False, CurrentTime);
    XSync(display, False);
    return m_connection->usable();
}

bool XTestInputSynthesizer::postKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    const std::optional<quint32> keysym = keysyms::forKey(key);
    if (!keysym) {
        qCWarning(lcXTestInput) << "no X key for" << key;
        return false;
    }
    const std::lock_guard lock(m_connection->mutex);
    const ErrorHandlerScope errors;
    if (!m_connection->open())
        return false;
    const bool posted = m_connection->type(*keysym, modifiersFrom(modifiers));
    m_connection->restoreBorrowed();
    return posted;
}

bool XTestInputSynthesizer::postUnicode(const QString& utf16)
{
    const std::lock_guard lock(m_connection->mutex);
    const ErrorHandlerScope errors;
    if (!m_connection->open())
        return false;
    bool posted = true;
    for (const quint32 keysym : keysyms::forText(utf16)) {
        posted = m_connection->type(keysym, {});
        if (!posted)
            break;
    }
    m_connection->restoreBorrowed();
    return posted;
}

} // namespace korvane
