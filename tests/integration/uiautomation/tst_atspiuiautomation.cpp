#include "fakes/FakeWorkspace.h"
#include "platform/linux/atspi/AtspiAccessibilityTree.h"
#include "platform/linux/x11/X11Workspace.h"
#include "platform/linux/x11/XTestInputSynthesizer.h"
#include "platform/linux/xdg/XdgApplicationCatalog.h"
#include "support/desktop/TestDesktop.h"
#include "uiautomation/UIAutomationService.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace korvane;
using namespace korvane::test;

namespace {

QString describe(const QList<UIElementDescription>& elements)
{
    QStringList lines;
    for (const UIElementDescription& element : elements) {
        lines.append(u"["_qs + element.role + u'/' + element.subrole + u"] "_qs + element.name +
                     u" ("_qs + element.description.value_or(u"-"_qs) + u") = "_qs +
                     element.value.value_or(u"-"_qs));
    }
    return lines.join(u'\n');
}

} // namespace

Q_DECLARE_METATYPE(korvane::UIAutomationResult)

// The service over the real AT-SPI tree of a real Qt Widgets window, with real XTest input, on
// a private X server, window manager, session bus and accessibility bus.
class TestAtspiUIAutomation : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<TestDesktop> m_desktop;
    std::unique_ptr<QProcess> m_probe;
    QStringList m_reports;
    std::unique_ptr<UIAutomationService> m_service;

    // Waits until the probe has reported `line` (since the last clear).
    bool reported(const QString& line)
    {
        return QTest::qWaitFor(
            [&] {
                while (m_probe->canReadLine())
                    m_reports.append(QString::fromUtf8(m_probe->readLine()).trimmed());
                return m_reports.contains(line);
            },
            10000);
    }

    QList<UIElementDescription> list() { return QCoro::waitFor(m_service->getVisibleElements()); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        // Switching accessibility on writes a desktop setting: keep it in memory, and any
        // configuration the services write in a folder of this test.
        qputenv("GSETTINGS_BACKEND", "memory");
        qputenv("XDG_CONFIG_HOME", m_home.filePath(u"config"_qs).toUtf8());
        qputenv("XDG_DATA_HOME", m_home.filePath(u"data"_qs).toUtf8());
        m_desktop = std::make_unique<TestDesktop>();
        QString why;
        if (!m_desktop->startWindowManager(&why) || !m_desktop->startAccessibilityBus(&why))
            QSKIP(qPrintable(why));

        const QString probe = QCoreApplication::applicationDirPath() + u"/accessibilityprobe"_qs;
        // Started here rather than by the desktop, to read what it reports.
        QProcessEnvironment environment = m_desktop->environment();
        environment.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
        // Qt 6.4 connects straight to a bus named in AT_SPI_BUS_ADDRESS but then never
        // registers with the registry; asked through the session bus it does.
        environment.remove(u"AT_SPI_BUS_ADDRESS"_qs);
        m_probe = std::make_unique<QProcess>();
        m_probe->setProcessEnvironment(environment);
        m_probe->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_probe->start(probe, QStringList());
        QVERIFY2(m_probe->waitForStarted(), qPrintable(m_probe->errorString()));
        QVERIFY(reported(u"ready"_qs));

        // The real workspace when it sees the probe in front; else one that says so.
        std::shared_ptr<Workspace> workspace =
            std::make_shared<X11Workspace>(std::make_shared<XdgApplicationCatalog>());
        const qint64 pid = m_probe->processId();
        const bool inFront = QTest::qWaitFor(
            [&] {
                const std::optional<RunningApplication> front =
                    QCoro::waitFor(workspace->frontmostApplication());
                return front && front->processId == pid;
            },
            5000);
        if (!inFront) {
            qWarning("the X11 workspace does not see the probe in front; answering its pid");
            auto fake = std::make_shared<FakeWorkspace>();
            fake->frontmostAnswers = {RunningApplication{std::nullopt, u"probe"_qs, pid}};
            workspace = fake;
        }
        m_service = std::make_unique<UIAutomationService>(
            std::make_shared<AtspiAccessibilityTree>(), std::make_shared<XTestInputSynthesizer>(),
            workspace);
        // The probe registers with the accessibility bus shortly after it shows its window.
        QVERIFY2(QTest::qWaitFor([&] { return !list().isEmpty(); }, 10000),
                 "the probe's accessibility tree never appeared");
    }

    void cleanupTestCase()
    {
        m_service.reset();
        if (m_probe) {
            m_probe->kill();
            m_probe->waitForFinished();
        }
        m_desktop.reset();
    }

    void init() { m_reports.clear(); }

    void listing_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("name");
        QTest::newRow("button") << u"AXButton"_qs << u"Save"_qs;
        // Qt gives a field without a label its placeholder as description.
        QTest::newRow("line edit") << u"AXTextField"_qs << u"File name"_qs;
        QTest::newRow("check box") << u"AXCheckBox"_qs << u"Overwrite"_qs;
        QTest::newRow("label") << u"AXStaticText"_qs << u"Terms and conditions"_qs;
    }
    void listing()
    {
        QFETCH(QString, role);
        QFETCH(QString, name);
        const QList<UIElementDescription> elements = list();
        const auto found =
            std::find_if(elements.cbegin(), elements.cend(),
                         [&](const UIElementDescription& element) { return element.name == name; });
        QVERIFY2(found != elements.cend(), qPrintable(describe(elements)));
        QCOMPARE(found->role, role);
    }

    void click_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("report");
        QTest::newRow("button, pressed") << u"Save"_qs << u"clicked Save"_qs;
        QTest::newRow("check box, toggled") << u"overwrite"_qs << u"toggled Overwrite on"_qs;
        // A label has nothing to press: the click is posted at its centre.
        QTest::newRow("label, clicked at its centre") << u"Terms"_qs << u"label clicked"_qs;
    }
    void click()
    {
        QFETCH(QString, target);
        QFETCH(QString, report);
        QCOMPARE(QCoro::waitFor(m_service->clickVisibleElement(target)),
                 UIAutomationResult::succeeded(u"Clicked "_qs + target + u'.'));
        QVERIFY2(reported(report), qPrintable(m_reports.join(u", "_qs)));
    }

    void clickMissing()
    {
        QCOMPARE(QCoro::waitFor(m_service->clickVisibleElement(u"Publish"_qs)),
                 UIAutomationResult::failed(u"Could not find Publish on screen."_qs));
    }

    void focusField()
    {
        QCOMPARE(QCoro::waitFor(m_service->focusField(u"file name"_qs)),
                 UIAutomationResult::succeeded(u"Focused file name."_qs));
        QVERIFY(reported(u"focused fileName"_qs));
    }

    void typeIntoFieldThenPressKey()
    {
        QCOMPARE(QCoro::waitFor(m_service->typeText(u"hello world"_qs, u"File name"_qs)),
                 UIAutomationResult::succeeded(u"Typed text into File name."_qs));
        QVERIFY2(reported(u"text hello world"_qs), qPrintable(m_reports.join(u", "_qs)));
        QCOMPARE(QCoro::waitFor(m_service->pressKey(*KeyboardKey::parse(u"backspace"_qs))),
                 UIAutomationResult::succeeded(u"Pressed Backspace."_qs));
        QVERIFY2(reported(u"text hello worl"_qs), qPrintable(m_reports.join(u", "_qs)));
    }
};

QTEST_MAIN(TestAtspiUIAutomation)
#include "tst_atspiuiautomation.moc"
