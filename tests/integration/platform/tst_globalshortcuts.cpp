// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/KeyCombination.h"
#include "platform/linux/portal/PortalGlobalShortcut.h"
#include "platform/linux/x11/X11GlobalShortcut.h"
#include "support/FailureOf.h"
#include "support/desktop/TestDesktop.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTest>
#include <QTimer>
#include <qcoro/qcorotask.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace korvane;
using namespace korvane::test;

// Named, not anonymous, and spelt out in slots: Qt D-Bus finds a slot's parameter types by the
// names moc wrote.
namespace fakeportal {

struct Shortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Shortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Shortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace fakeportal

Q_DECLARE_METATYPE(fakeportal::Shortcut)

namespace {

using fakeportal::Shortcut;

const QString portalPath = u"/org/freedesktop/portal/desktop"_qs;
const QString shortcutsInterface = u"org.freedesktop.portal.GlobalShortcuts"_qs;

// The desktop's GlobalShortcuts portal as the published interface describes it, on a bus
// connection of its own: it answers each request with a Response signal on the request's
// path, binds what it is asked to, and says when the key goes down and up.
class FakeShortcutsPortal final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)

public:
    explicit FakeShortcutsPortal(QDBusConnection bus)
        : m_bus(std::move(bus))
    {
        qDBusRegisterMetaType<Shortcut>();
        qDBusRegisterMetaType<QList<Shortcut>>();
    }

    uint version() const { return 1; }
    QString session;
    QString trigger;
    uint bindResponse = 0;

    void sendKey(const QString& signal)
    {
        QDBusMessage message = QDBusMessage::createSignal(portalPath, shortcutsInterface, signal);
        message << QVariant::fromValue(QDBusObjectPath(session)) << u"hold-to-talk"_qs
                << qulonglong(0) << QVariantMap();
        m_bus.send(message);
    }

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap& options)
    {
        session = portalPath + u"/session/"_qs + sender() + u'/' +
                  options.value(u"session_handle_token"_qs).toString();
        return respond(options, 0, {{u"session_handle"_qs, session}});
    }

    QDBusObjectPath BindShortcuts(const QDBusObjectPath&,
                                  const QList<fakeportal::Shortcut>& shortcuts, const QString&,
                                  const QVariantMap& options)
    {
        for (const Shortcut& shortcut : shortcuts)
            trigger = shortcut.properties.value(u"preferred_trigger"_qs).toString();
        return respond(options, bindResponse, {});
    }

private:
    QString sender() const
    {
        QString name = message().service().mid(1);
        return name.replace(u'.', u'_');
    }

    QDBusObjectPath respond(const QVariantMap& options, uint code, const QVariantMap& results)
    {
        const QString path = portalPath + u"/request/"_qs + sender() + u'/' +
                             options.value(u"handle_token"_qs).toString();
        // After the method's own reply, as the real portal does.
        QTimer::singleShot(10, this, [this, path, code, results] {
            QDBusMessage response = QDBusMessage::createSignal(
                path, u"org.freedesktop.portal.Request"_qs, u"Response"_qs);
            response << code << results;
            m_bus.send(response);
        });
        return QDBusObjectPath(path);
    }

    QDBusConnection m_bus;
};

} // namespace

// One contract for every hold-to-talk backend: a bound combination reports going down once and
// coming up once, however long it is held.
class GlobalShortcutsTest final : public QObject {
    Q_OBJECT

    TestDesktop m_desktop;
    Display* m_display = nullptr;
    std::unique_ptr<FakeShortcutsPortal> m_portal;

    std::shared_ptr<GlobalShortcut> backend(const QString& name)
    {
        if (name == u"x11")
            return std::make_shared<X11GlobalShortcut>(m_desktop.display().toLocal8Bit());
        return std::make_shared<PortalGlobalShortcut>(QDBusConnection::sessionBus());
    }

    void key(KeySym keysym, bool down)
    {
        XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keysym), down ? True : False, 0);
        XFlush(m_display);
    }

    void hold(const QString& name, bool down)
    {
        if (name == u"portal") {
            m_portal->sendKey(down ? u"Activated"_qs : u"Deactivated"_qs);
            return;
        }
        const QList<KeySym> keys{XK_Control_L, XK_Alt_L, XK_space};
        for (qsizetype i = 0; i < keys.size(); ++i)
            key(down ? keys.at(i) : keys.at(keys.size() - 1 - i), down);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!m_desktop.startDisplay(&why) || !m_desktop.startSessionBus(&why))
            QSKIP(qPrintable(why));
        m_display = XOpenDisplay(m_desktop.display().toLocal8Bit().constData());
        QVERIFY(m_display);
        QDBusConnection portalBus =
            QDBusConnection::connectToBus(m_desktop.sessionBusAddress(), u"fake-portal"_qs);
        m_portal = std::make_unique<FakeShortcutsPortal>(portalBus);
        QVERIFY(portalBus.registerObject(portalPath, m_portal.get(),
                                         QDBusConnection::ExportAllSlots |
                                             QDBusConnection::ExportAllProperties));
        QVERIFY(portalBus.registerService(u"org.freedesktop.portal.Desktop"_qs));
    }

    void cleanupTestCase()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }

    void heldKeyIsOnePressAndOneRelease_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("x11 key grab") << u"x11"_qs;
        QTest::newRow("portal") << u"portal"_qs;
    }

    void heldKeyIsOnePressAndOneRelease()
    {
        QFETCH(QString, name);
        const std::shared_ptr<GlobalShortcut> shortcut = backend(name);
        QStringList events;
        shortcut->onPressed = [&events] { events.append(u"pressed"_qs); };
        shortcut->onReleased = [&events] { events.append(u"released"_qs); };
        QVERIFY(QCoro::waitFor(shortcut->isOffered()));
        const std::optional<QString> problem =
            QCoro::waitFor(failureOf(shortcut->bind(u"Ctrl+Alt+Space"_qs)));
        QVERIFY2(!problem, qPrintable(problem.value_or(QString())));
        if (name == u"portal")
            QCOMPARE(m_portal->trigger, u"CTRL+ALT+space"_qs);

        hold(name, true);
        QTRY_COMPARE(events, QStringList{u"pressed"_qs});
        // Long enough for the keyboard's auto-repeat to set in.
        QTest::qWait(900);
        QCOMPARE(events, QStringList{u"pressed"_qs});
        hold(name, false);
        QTRY_COMPARE(events, (QStringList{u"pressed"_qs, u"released"_qs}));

        // Unbound, the keys do nothing more.
        shortcut->unbind();
        hold(name, true);
        hold(name, false);
        QTest::qWait(200);
        QCOMPARE(events.size(), 2);
    }

    void refusedBindingSaysWhy_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("problem");
        QTest::newRow("x11: taken by another program")
            << u"x11"_qs
            << u"Ctrl+Alt+Space is taken by another program; choose another shortcut in Settings."_qs;
        QTest::newRow("portal: not allowed")
            << u"portal"_qs << u"The hold-to-talk shortcut was not allowed."_qs;
    }

    void refusedBindingSaysWhy()
    {
        QFETCH(QString, name);
        QFETCH(QString, problem);
        // Another client holds the keys, or the person turns the binding down.
        const KeyCode space = XKeysymToKeycode(m_display, XK_space);
        if (name == u"x11") {
            for (unsigned locks :
                 {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
                XGrabKey(m_display, space, ControlMask | Mod1Mask | locks,
                         DefaultRootWindow(m_display), True, GrabModeAsync, GrabModeAsync);
            XSync(m_display, False);
        }
        m_portal->bindResponse = 1;
        const std::shared_ptr<GlobalShortcut> shortcut = backend(name);
        QCOMPARE(QCoro::waitFor(failureOf(shortcut->bind(u"Ctrl+Alt+Space"_qs))), problem);
        XUngrabKey(m_display, space, AnyModifier, DefaultRootWindow(m_display));
        XSync(m_display, False);
        m_portal->bindResponse = 0;
    }
};

QTEST_GUILESS_MAIN(GlobalShortcutsTest)
#include "tst_globalshortcuts.moc"
