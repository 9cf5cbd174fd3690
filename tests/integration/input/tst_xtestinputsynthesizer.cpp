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
    unsigned keycode = 0;
    unsigned state = 0;
    // The keycode's keysyms as the server maps them when the event is read.
    KeySym plain = NoSymbol;
    KeySym shifted = NoSymbol;
    unsigned button = 0;
    int x = 0;
    int y = 0;
};

using namespace std::chrono_literals;

constexpr unsigned modifierMask = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;

// Posted after each case; what came before it is the case's.
constexpr Qt::Key sentinelKey = Qt::Key_F12;
constexpr KeySym sentinelKeysym = XK_F12;

QString textOf(KeySym keysym)
{
    if (keysym == XK_Return)
        return QStringLiteral("\n");
    if (keysym == XK_Tab)
        return QStringLiteral("\t");
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

QStringList scalars(const QString& text)
{
    QStringList pieces;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        pieces.append(text.mid(i, width));
        i += width - 1;
    }
    return pieces;
}

struct KeymapCopy {
    QList<KeySym> symbols{};
    QList<KeyCode> modifiers{};
    int perKeycode = 0;

    friend bool operator==(const KeymapCopy&, const KeymapCopy&) = default;
};

} // namespace

// Keys, text and clicks posted through XTest arrive in a real X client window: this test's
// own window under Xvfb and openbox, read with plain Xlib.
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
                received.keycode = event.xkey.keycode;
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
            } else if (event.type == ButtonPress || event.type == ButtonRelease) {
                received.button = event.xbutton.button;
                received.x = event.xbutton.x;
                received.y = event.xbutton.y;
            } else {
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

    // Button events may be held by the window manager's grab while keys pass: a click is
    // complete once `count` button events came.
    template <typename Function>
    QList<Received> collectButtons(Function post, qsizetype count)
    {
        QList<Received> events;
        QFuture<void> done = QtConcurrent::run(&m_automation, std::move(post));
        QDeadlineTimer deadline(20s);
        while ((!done.isFinished() || events.size() < count) && !deadline.hasExpired()) {
            pump(events);
            QThread::msleep(1);
        }
        done.waitForFinished();
        return events;
    }

    KeymapCopy keymap() const
    {
        KeymapCopy copy;
        int first = 0;
        int last = 0;
        XDisplayKeycodes(m_display, &first, &last);
        KeySym* symbols =
            XGetKeyboardMapping(m_display, KeyCode(first), last - first + 1, &copy.perKeycode);
        for (int i = 0; symbols && i < (last - first + 1) * copy.perKeycode; ++i)
            copy.symbols.append(symbols[i]);
        if (symbols)
            XFree(symbols);
        XModifierKeymap* modifiers = XGetModifierMapping(m_display);
        for (int i = 0; modifiers && i < 8 * modifiers->max_keypermod; ++i)
            copy.modifiers.append(modifiers->modifiermap[i]);
        if (modifiers)
            XFreeModifiermap(modifiers);
        return copy;
    }

    bool anyKeyDown() const
    {
        char keys[32] = {};
        XQueryKeymap(m_display, keys);
        return std::any_of(std::begin(keys), std::end(keys), [](char bits) { return bits != 0; });
    }

    QPoint windowOrigin() const
    {
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(m_display, m_window, DefaultRootWindow(m_display), 0, 0, &x, &y,
                              &child);
        return {x, y};
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
        QTest::addColumn<quint64>("plain");
        QTest::addColumn<unsigned>("state");

        // Every key name the command language knows, alone.
        const QList<QPair<QString, KeySym>> named = {
            {QStringLiteral("return"), XK_Return},    {QStringLiteral("enter"), XK_Return},
            {QStringLiteral("tab"), XK_Tab},          {QStringLiteral("space"), XK_space},
            {QStringLiteral("delete"), XK_BackSpace}, {QStringLiteral("backspace"), XK_BackSpace},
            {QStringLiteral("escape"), XK_Escape},    {QStringLiteral("esc"), XK_Escape},
            {QStringLiteral("left"), XK_Left},        {QStringLiteral("right"), XK_Right},
            {QStringLiteral("down"), XK_Down},        {QStringLiteral("up"), XK_Up},
        };
        for (const auto& [name, keysym] : named)
            QTest::newRow(qPrintable(name)) << name << quint64(keysym) << 0u;
        const QString characters =
            QStringLiteral("asdfhgzxcvbqweryt123465=97-80]ouip[lj'k;\\,/nm.`");
        for (const QChar character : characters)
            QTest::newRow(qPrintable(QString(character)))
                << QString(character) << quint64(character.unicode()) << 0u;

        // Modifiers are held around the key, each once.
        QTest::newRow("shift a") << QStringLiteral("shift a") << quint64(XK_a)
                                 << unsigned(ShiftMask);
        QTest::newRow("cmd shift t")
            << QStringLiteral("cmd shift t") << quint64(XK_t) << unsigned(ControlMask | ShiftMask);
        QTest::newRow("alt esc") << QStringLiteral("alt esc") << quint64(XK_Escape)
                                 << unsigned(Mod1Mask);
        QTest::newRow("control c")
            << QStringLiteral("control c") << quint64(XK_c) << unsigned(ControlMask);
        QTest::newRow("command and control")
            << QStringLiteral("command control v") << quint64(XK_v) << unsigned(ControlMask);
        QTest::newRow("all four") << QStringLiteral("cmd shift option control left")
                                  << quint64(XK_Left)
                                  << unsigned(ControlMask | ShiftMask | Mod1Mask);
    }

    void postKey()
    {
        QFETCH(QString, description);
        QFETCH(quint64, plain);
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
            if (event.plain == KeySym(plain))
                target.append(event);
        }
        QCOMPARE(target.size(), 2);
        QCOMPARE(target[0].type, KeyPress);
        QCOMPARE(target[1].type, KeyRelease);
        QCOMPARE(target[0].state, state);
        QCOMPARE(target[1].state, state);
        // The modifier keys themselves: one press and one release for each modifier held.
        const int modifierKeys = std::popcount(state);
        QCOMPARE(events->size(), 2 + 2 * modifierKeys);
        QVERIFY(!anyKeyDown());
    }

    void keyWithoutKeysymPostsNothing()
    {
        bool posted = true;
        const auto events = collect([&] { posted = m_input->postKey(Qt::Key_unknown, {}); });
        QVERIFY(events);
        QVERIFY(!posted);
        QCOMPARE(events->size(), 0);
    }

    void postUnicode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("letters") << QStringLiteral("hello");
        QTest::newRow("shifted characters") << QStringLiteral("Hello, World! (A+B)?");
        QTest::newRow("spaces kept") << QStringLiteral("  two  spaces  ");
        QTest::newRow("latin-1 not on the keymap") << QStringLiteral("é");
        QTest::newRow("euro sign") << QStringLiteral("€");
        QTest::newRow("emoji") << QStringLiteral("😀");
        QTest::newRow("cyrillic") << QStringLiteral("Жук");
        QTest::newRow("mixed") << QStringLiteral("Naïve café: 5 € 👍🏽!");
        QTest::newRow("tab and line break") << QStringLiteral("a\tb\nc");
    }

    void postUnicode()
    {
        QFETCH(QString, text);
        const auto events = collect([&] {
            for (const QString& scalar : scalars(text))
                m_input->postUnicode(scalar);
        });
        QVERIFY(events);
        QCOMPARE(typedText(*events), text);
        QVERIFY(!anyKeyDown());
    }

    void controlCharactersAndLoneSurrogatesAreSkipped()
    {
        const QString text = QStringLiteral("a") + QChar(0x07) + QChar(0xd83d) +
                             QStringLiteral("b") + QChar(0xde00) + QChar(0x1b);
        const auto events = collect([&] { m_input->postUnicode(text); });
        QVERIFY(events);
        QCOMPARE(typedText(*events), QStringLiteral("ab"));
    }

    void temporaryBindingIsUndone()
    {
        const KeymapCopy before = keymap();
        // None of these is on the keymap, so each takes a spare keycode for the moment.
        const QString text = QStringLiteral("😀€ß");
        const QList<uint> codePoints = text.toUcs4();
        for (const uint codePoint : codePoints) {
            QVERIFY(!before.symbols.contains(KeySym(0x01000000 + codePoint)));
            QVERIFY(!before.symbols.contains(KeySym(codePoint)));
        }
        const auto events = collect([&] {
            for (const QString& scalar : scalars(text))
                m_input->postUnicode(scalar);
        });
        QVERIFY(events);
        QCOMPARE(typedText(*events), text);
        QCOMPARE(keymap(), before);
    }

    void postClick_data()
    {
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("near the corner") << QPointF(3, 4) << QPoint(3, 4);
        QTest::newRow("middle") << QPointF(200, 150) << QPoint(200, 150);
        QTest::newRow("fractions round") << QPointF(50.6, 70.4) << QPoint(51, 70);
        QTest::newRow("last pixel") << QPointF(399, 299) << QPoint(399, 299);
    }

    void postClick()
    {
        QFETCH(QPointF, offset);
        QFETCH(QPoint, expected);
        const QPointF point = QPointF(windowOrigin()) + offset;
        const QList<Received> events = collectButtons([&] { m_input->postClick(point); }, 2);
        QCOMPARE(events.size(), 2);
        QCOMPARE(events.at(0).type, ButtonPress);
        QCOMPARE(events.at(1).type, ButtonRelease);
        for (const Received& event : events) {
            QCOMPARE(event.button, unsigned(Button1));
            QCOMPARE(QPoint(event.x, event.y), expected);
        }
    }

    void unreachablePointIsNotClicked()
    {
        const auto events = collect([&] {
            m_input->postClick(QPointF(qQNaN(), 10));
            m_input->postClick(QPointF(1e300, 10));
        });
        QVERIFY(events);
        QCOMPARE(events->size(), 0);
    }

    void unavailableWithoutADisplay_data()
    {
        QTest::addColumn<QByteArray>("display");
        QTest::newRow("unset") << QByteArray();
        QTest::newRow("no such server") << QByteArrayLiteral(":4999");
    }

    void unavailableWithoutADisplay()
    {
        QFETCH(QByteArray, display);
        const QByteArray saved = qgetenv("DISPLAY");
        if (display.isEmpty())
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", display);
        XTestInputSynthesizer input;
        const Outcome ready = input.prepare();
        const bool posted = input.postKey(Qt::Key_Return, {}) ||
                            input.postUnicode(QStringLiteral("x")) ||
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
        input.postUnicode(QStringLiteral("x"));
        // The next use finds the display DISPLAY names now.
        QVERIFY(input.prepare());
    }
};

QTEST_GUILESS_MAIN(TestXTestInputSynthesizer)
#include "tst_xtestinputsynthesizer.moc"
