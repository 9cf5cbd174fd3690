// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11/XTestInputSynthesizer.h"
#include "support/desktop/TestDesktop.h"
#include "uiautomation/KeyboardKey.h"

#include <QDeadlineTimer>
#include <QFuture>
#include <QTest>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <bit>

using namespace korvane;

namespace {

struct Received {
    int type = 0;
    unsigned state = 0;
    // The keycode's keysyms as the server maps them when the event is read.
    KeySym plain = NoSymbol;
    KeySym shifted = NoSymbol;
};

using namespace std::chrono_literals;

constexpr unsigned modifierMask = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;

// Posted after each case; what came before it is the case's.
constexpr Qt::Key sentinelKey = Qt::Key_F12;
constexpr KeySym sentinelKeysym = XK_F12;

QString textOf(KeySym keysym)
{
    if (keysym == XK_Return)
        return u"\n"_qs;
    if (keysym == XK_Tab)
        return u"\t"_qs;
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff))
        return QString(QChar(char16_t(keysym)));
    if (keysym > 0x01000000 && keysym <= 0x0110ffff) {
        const char32_t codePoint = char32_t(keysym - 0x01000000);
        return QString::fromUcs4(&codePoint, 1);
    }
    return {};
}

// The text a plain keyboard client reads from the key presses.
QString typedText(const QList<Received>& events)
{
    QString text;
    for (const Received& event : events) {
        if (event.type == KeyPress)
            text += textOf((event.state & ShiftMask) ? event.shifted : event.plain);
    }
    return text;
}

} // namespace

// Keys and text posted through XTest arrive in a real X client window: this test's own window
// under Xvfb and openbox, read with plain Xlib. Where clicks land is the input contract's.
class TestXTestInputSynthesizer : public QObject {
    Q_OBJECT

    test::TestDesktop m_desktop;
    Display* m_display = nullptr;
    Window m_window = 0;
    QThreadPool m_automation;
    std::unique_ptr<XTestInputSynthesizer> m_input;

    void pump(QList<Received>& events)
    {
        while (XPending(m_display)) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == MappingNotify) {
                XRefreshKeyboardMapping(&event.xmapping);
                continue;
            }
            if (event.xany.window != m_window)
                continue;
            Received received;
            received.type = event.type;
            if (event.type == KeyPress || event.type == KeyRelease) {
                received.state = event.xkey.state & modifierMask;
                int perKeycode = 0;
                KeySym* symbols =
                    XGetKeyboardMapping(m_display, KeyCode(event.xkey.keycode), 1, &perKeycode);
                if (symbols && perKeycode > 0) {
                    received.plain = symbols[0];
                    received.shifted = perKeycode > 1 ? symbols[1] : NoSymbol;
                    if (received.shifted == NoSymbol) {
                        KeySym lower = NoSymbol;
                        XConvertCase(received.plain, &lower, &received.shifted);
                    }
                }
                if (symbols)
                    XFree(symbols);
            } else if (event.type != ButtonPress && event.type != ButtonRelease) {
                continue;
            }
            events.append(received);
        }
    }

    // Runs `post` on a worker thread, as the automation thread would, while this thread reads
    // the window's events as they come; then a sentinel key follows. Gives what arrived
    // before the sentinel; absent when it never came.
    template <typename Function>
    std::optional<QList<Received>> collect(Function post)
    {
        QList<Received> events;
        QFuture<void> done = QtConcurrent::run(&m_automation, [&] {
            post();
            m_input->postKey(sentinelKey, Qt::NoModifier);
        });
        const auto isSentinel = [&](const Received& event) {
            return (event.type == KeyPress || event.type == KeyRelease) &&
                   event.plain == sentinelKeysym;
        };
        QDeadlineTimer deadline(20s);
        while (std::count_if(events.cbegin(), events.cend(), isSentinel) < 2 &&
               !deadline.hasExpired()) {
            pump(events);
            QThread::msleep(1);
        }
        done.waitForFinished();
        if (std::count_if(events.cbegin(), events.cend(), isSentinel) < 2)
            return std::nullopt;
        events.erase(std::find_if(events.begin(), events.end(), isSentinel), events.end());
        return events;
    }

    // Every keycode's keysyms.
    QList<KeySym> keymap() const
    {
        int first = 0;
        int last = 0;
        int perKeycode = 0;
        XDisplayKeycodes(m_display, &first, &last);
        KeySym* symbols =
            XGetKeyboardMapping(m_display, KeyCode(first), last - first + 1, &perKeycode);
        const QList<KeySym> copy(symbols,
                                 symbols + (symbols ? (last - first + 1) * perKeycode : 0));
        XFree(symbols);
        return copy;
    }

    bool anyKeyDown() const
    {
        char keys[32] = {};
        XQueryKeymap(m_display, keys);
        return std::any_of(std::begin(keys), std::end(keys), [](char bits) { return bits != 0; });
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!m_desktop.startWindowManager(&why))
            QSKIP(qPrintable(why));
        m_automation.setMaxThreadCount(1);
        m_display = XOpenDisplay(m_desktop.display().toLocal8Bit().constData());
        QVERIFY(m_display);
        m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 100, 100, 400, 300,
                                       0, 0, WhitePixel(m_display, 0));
        XStoreName(m_display, m_window, "korvane input probe");
        XSelectInput(m_display, m_window,
                     KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                         StructureNotifyMask | FocusChangeMask);
        XMapRaised(m_display, m_window);
        XFlush(m_display);
        bool mapped = false;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                while (XPending(m_display)) {
                    XEvent event;
                    XNextEvent(m_display, &event);
                    mapped |= event.type == MapNotify;
                }
                return mapped;
            }(),
            20000);
        m_input = std::make_unique<XTestInputSynthesizer>();
        QVERIFY(m_input->prepare());
    }

    void cleanupTestCase()
    {
        m_input.reset();
        if (m_display)
            XCloseDisplay(m_display);
    }

    void init()
    {
        XSetInputFocus(m_display, m_window, RevertToParent, CurrentTime);
        XSync(m_display, False);
        QList<Received> stale;
        pump(stale);
        QVERIFY(!anyKeyDown());
    }

    void postKey_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<quint64>("keysym");
        QTest::addColumn<unsigned>("state");
        const struct {
            const char* description;
            KeySym keysym;
            unsigned state;
        } rows[] = {
            // A symbol and an arrow not mistaken for its neighbour; named keys, letters, Shift
            // and Control are the input contract's Backspace and the accessibility contract's
            // key chord.
            {"\\", XK_backslash, 0},
            {"left", XK_Left, 0},
            // Modifiers are held around the key, each once.
            {"alt esc", XK_Escape, Mod1Mask},
            {"cmd shift option control left", XK_Left, ControlMask | ShiftMask | Mod1Mask},
        };
        for (const auto& row : rows)
            QTest::newRow(row.description)
                << QString::fromLatin1(row.description) << quint64(row.keysym) << row.state;
    }

    void postKey()
    {
        QFETCH(QString, description);
        QFETCH(quint64, keysym);
        QFETCH(unsigned, state);
        const std::optional<KeyboardKey> key = KeyboardKey::parse(description);
        QVERIFY(key && key->key());

        bool posted = false;
        const auto events =
            collect([&] { posted = m_input->postKey(*key->key(), key->keyboardModifiers()); });
        QVERIFY(events);
        QVERIFY(posted);
        QList<Received> target;
        for (const Received& event : *events) {
            if (event.plain == KeySym(keysym))
                target.append(event);
        }
        QCOMPARE(target.size(), 2);
        QCOMPARE(target[0].type, KeyPress);
        QCOMPARE(target[1].type, KeyRelease);
        QCOMPARE(target[0].state, state);
        QCOMPARE(target[1].state, state);
        // The modifier keys themselves: one press and one release for each modifier held.
        QCOMPARE(events->size(), 2 + 2 * std::popcount(state));
        QVERIFY(!anyKeyDown());
    }

    void postUnicode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("typed");
        QTest::newRow("shifted characters, tab and line break")
            << u"Hello,\tWorld! (A+B)?\n"_qs << u"Hello,\tWorld! (A+B)?\n"_qs;
        // None of these is on the keymap: each takes a spare keycode for the moment.
        QTest::newRow("beyond the keymap") << u"é€😀"_qs << u"é€😀"_qs;
        QTest::newRow("control characters and lone surrogates skipped")
            << u"a"_qs + QChar(0x07) + QChar(0xd83d) + u"b"_qs + QChar(0xde00) + QChar(0x1b)
            << u"ab"_qs;
    }

    void postUnicode()
    {
        QFETCH(QString, text);
        QFETCH(QString, typed);
        const QList<KeySym> before = keymap();
        const auto events = collect([&] { m_input->postUnicode(text); });
        QVERIFY(events);
        QCOMPARE(typedText(*events), typed);
        QVERIFY(!anyKeyDown());
        QCOMPARE(keymap(), before);
    }

    // A key without a keysym, a point off any screen.
    void impossibleInputPostsNothing()
    {
        bool posted = false;
        const auto events = collect([&] {
            posted = m_input->postKey(Qt::Key_unknown, {});
            posted = m_input->postClick(QPointF(qQNaN(), 10)) || posted;
            posted = m_input->postClick(QPointF(1e300, 10)) || posted;
        });
        QVERIFY(events);
        QVERIFY(!posted);
        QCOMPARE(events->size(), 0);
    }

    void unavailableWithoutADisplay()
    {
        const QByteArray saved = qgetenv("DISPLAY");
        qputenv("DISPLAY", ":4999");
        XTestInputSynthesizer input;
        const Outcome ready = input.prepare();
        const bool posted = input.postKey(Qt::Key_Return, {}) || input.postUnicode(u"x"_qs) ||
                            input.postClick(QPointF(1, 1));
        qputenv("DISPLAY", saved);
        QVERIFY(!ready && !ready.error().isEmpty());
        QVERIFY(!posted);
    }

    // Xlib ends the process when a connection breaks, unless told otherwise.
    void serverGoingAwayIsNotFatal()
    {
        XTestInputSynthesizer input;
        {
            test::TestDesktop other;
            QString why;
            QVERIFY2(other.startDisplay(&why), qPrintable(why));
            QVERIFY(input.prepare());
            input.postKey(Qt::Key_Return, {});
        }
        QCOMPARE(qEnvironmentVariable("DISPLAY"), m_desktop.display());
        input.postKey(Qt::Key_Return, {});
        input.postUnicode(u"x"_qs);
        // The next use finds the display DISPLAY names now.
        QVERIFY(input.prepare());
    }
};

QTEST_GUILESS_MAIN(TestXTestInputSynthesizer)
#include "tst_xtestinputsynthesizer.moc"
