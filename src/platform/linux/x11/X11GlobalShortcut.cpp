// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11/X11GlobalShortcut.h"

#include "platform/KeyCombination.h"
#include "platform/linux/x11/X11Keymap.h"

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTimer>

#include <X11/Xlib.h>
#include <array>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xproto.h>

namespace korvane {

namespace {

Q_LOGGING_CATEGORY(lcGlobalShortcut, "korvane.platform.x11.shortcut")

// Caps Lock and Num Lock (Mod2 on practically every keymap) must not keep the grab from
// matching, so each combination is grabbed with and without them.
constexpr std::array<uint16_t, 4> lockVariants{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                               XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

uint16_t modifierMask(unsigned modifiers)
{
    uint16_t mask = 0;
    if (modifiers & KeyCombination::control)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & KeyCombination::alt)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & KeyCombination::shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & KeyCombination::meta)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

// How long a release waits for the press auto-repeat sends right after it.
constexpr int releaseSettleMilliseconds = 30;

bool isWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland";
}

} // namespace

struct X11GlobalShortcut::Private {
    QByteArray display;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer releaseTimer;
    xcb_keycode_t keycode = 0;
    uint16_t modifiers = 0;
    bool grabbed = false;
    bool down = false;

    ~Private() { disconnect(); }

    bool connect()
    {
        if (connection)
            return true;
        int screenNumber = 0;
        connection = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screenNumber);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            connection = nullptr;
            return false;
        }
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
            xcb_screen_next(&screens);
        root = screens.data->root;
        return true;
    }

    void disconnect()
    {
        // May run inside the notifier's own signal.
        if (notifier) {
            notifier->setEnabled(false);
            notifier.release()->deleteLater();
        }
        releaseTimer.stop();
        if (connection)
            xcb_disconnect(connection);
        connection = nullptr;
        grabbed = false;
        down = false;
    }

    std::optional<xcb_keycode_t> keycodeFor(quint32 keysym) const
    {
        const xcb_setup_t* setup = xcb_get_setup(connection);
        const int first = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
            connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, uint8_t(count)),
            nullptr);
        if (!reply)
            return std::nullopt;
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(reply);
        const int length = xcb_get_keyboard_mapping_keysyms_length(reply);
        const X11Keymap keymap(first, reply->keysyms_per_keycode,
                               QList<quint32>(symbols, symbols + length), {});
        std::free(reply);
        const std::optional<X11Keymap::Placement> placement = keymap.find(keysym);
        if (!placement)
            return std::nullopt;
        return xcb_keycode_t(placement->keycode);
    }

    // False when another client holds any of the grabs; none of ours is left then.
    bool grab()
    {
        bool taken = false;
        for (const uint16_t variant : lockVariants) {
            xcb_generic_error_t* error = xcb_request_check(
                connection, xcb_grab_key_checked(connection, 1, root, modifiers | variant, keycode,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            if (error) {
                taken = true;
                std::free(error);
            }
        }
        grabbed = true;
        if (taken)
            ungrab();
        return !taken;
    }

    void ungrab()
    {
        if (!connection || !grabbed)
            return;
        for (const uint16_t variant : lockVariants)
            xcb_ungrab_key(connection, keycode, root, modifiers | variant);
        xcb_flush(connection);
        grabbed = false;
        down = false;
    }
};

X11GlobalShortcut::X11GlobalShortcut(QByteArray display, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->display = std::move(display);
    d->releaseTimer.setSingleShot(true);
    d->releaseTimer.setInterval(releaseSettleMilliseconds);
    QObject::connect(&d->releaseTimer, &QTimer::timeout, this, [this] {
        d->down = false;
        if (onReleased)
            onReleased();
    });
}

X11GlobalShortcut::~X11GlobalShortcut() = default;

QCoro::Task<bool> X11GlobalShortcut::isOffered()
{
    co_return !isWaylandSession() && d->connect();
}

QCoro::Task<Outcome> X11GlobalShortcut::bind(QString keys)
{
    const std::optional<KeyCombination> combination = KeyCombination::parse(keys);
    if (!combination)
        co_return Outcome::failure(keys +
                                   QStringLiteral(" is not a key combination Korvane knows."));
    if (!d->connect())
        co_return Outcome::failure(QStringLiteral("Hold-to-talk could not reach the X display."));
    const quint32 keysym = XStringToKeysym(combination->key.toLatin1().constData());
    const std::optional<xcb_keycode_t> keycode =
        keysym == NoSymbol ? std::nullopt : d->keycodeFor(keysym);
    if (!keycode)
        co_return Outcome::failure(QStringLiteral("The keyboard has no ") + combination->text() +
                                   QStringLiteral(" key."));

    unbind();
    d->keycode = *keycode;
    d->modifiers = modifierMask(combination->modifiers);
    if (!d->grab())
        co_return Outcome::failure(
            combination->text() +
            QStringLiteral(" is taken by another program; choose another shortcut in Settings."));

    if (!d->notifier) {
        d->notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(d->connection),
                                                        QSocketNotifier::Read);
        QObject::connect(d->notifier.get(), &QSocketNotifier::activated, this,
                         [this] { readEvents(); });
    }
    xcb_flush(d->connection);
    co_return Outcome::success();
}

void X11GlobalShortcut::unbind()
{
    // A key held while its binding goes is released for whoever waits for it.
    const bool wasDown = d->down;
    d->releaseTimer.stop();
    d->ungrab();
    if (wasDown && onReleased)
        onReleased();
}

void X11GlobalShortcut::readEvents()
{
    while (xcb_generic_event_t* event = xcb_poll_for_event(d->connection)) {
        const uint8_t type = event->response_type & 0x7f;
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        const bool ours =
            (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) && key->detail == d->keycode;
        std::free(event);
        if (!ours)
            continue;
        if (type == XCB_KEY_RELEASE) {
            // Auto-repeat sends a release and a press at once while the key stays down: a
            // release counts once no press follows it.
            if (d->down)
                d->releaseTimer.start();
            continue;
        }
        if (d->releaseTimer.isActive()) {
            d->releaseTimer.stop();
            continue;
        }
        if (d->down)
            continue;
        d->down = true;
        if (onPressed)
            onPressed();
    }
    if (xcb_connection_has_error(d->connection)) {
        qCWarning(lcGlobalShortcut) << "the connection to the X server broke";
        const bool wasDown = d->down;
        d->disconnect();
        if (wasDown && onReleased)
            onReleased();
    }
}

} // namespace korvane
