// SPDX-License-Identifier: GPL-3.0-or-later
// How long the accessibility walks take: the listing and a whole-tree search over an
// in-memory tree past the 1,500 limit, and the same over a real Qt window read through AT-SPI
// on a private desktop. Prints the median of several runs in milliseconds.
#include "fakes/FakeAccessibilityTree.h"
#include "fakes/FakeInputSynthesizer.h"
#include "fakes/FakeWorkspace.h"
#include "platform/linux/atspi/AtspiAccessibilityTree.h"
#include "support/desktop/TestDesktop.h"
#include "uiautomation/UIAutomationService.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int runs = 15;

double medianMilliseconds(const std::function<void()>& work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

// groups × buttons: each group holds pressable buttons with a title and a frame, and a static
// text; the window holds the groups.
std::shared_ptr<FakeAccessibilityTree> fakeTree(int groups, int perGroup)
{
    auto tree = std::make_shared<FakeAccessibilityTree>();
    const int application = tree->add(AccessibleRole::application, QStringLiteral("Bench"));
    const int window = tree->add(AccessibleRole::window, QStringLiteral("Bench window"));
    tree->append(application, window);
    tree->applications.insert(1, application);
    for (int g = 0; g < groups; ++g) {
        const int group = tree->add(AccessibleRole::group, {});
        tree->append(window, group);
        for (int b = 0; b < perGroup; ++b) {
            const int button = tree->add(AccessibleRole::button,
                                         QStringLiteral("Button %1.%2").arg(g).arg(b), true);
            tree->element(button).frame = QRectF(b * 10, g * 10, 8, 8);
            tree->append(group, button);
        }
        const int label =
            tree->add(AccessibleRole::staticText, QStringLiteral("Caption %1").arg(g));
        tree->append(group, label);
    }
    return tree;
}

} // namespace

class BenchUIAutomation : public QObject {
    Q_OBJECT

    // One desktop for the whole run: the session bus and the AT-SPI connection of a process
    // are opened once and stay with the first buses they found.
    std::unique_ptr<TestDesktop> m_desktop;
    QString m_whyNoDesktop;

private Q_SLOTS:
    void initTestCase()
    {
        m_desktop = std::make_unique<TestDesktop>();
        if (!m_desktop->startWindowManager(&m_whyNoDesktop) ||
            !m_desktop->startAccessibilityBus(&m_whyNoDesktop))
            m_desktop.reset();
    }

    void cleanupTestCase() { m_desktop.reset(); }

    void fakeTree()
    {
        auto tree = ::fakeTree(100, 30);
        auto workspace = std::make_shared<FakeWorkspace>();
        workspace->frontmostAnswers = {
            RunningApplication{std::nullopt, QStringLiteral("bench"), 1}};
        UIAutomationService service(tree, std::make_shared<FakeInputSynthesizer>(), workspace);
        qsizetype listed = 0;
        const double listing = medianMilliseconds(
            [&] { listed = QCoro::waitFor(service.getVisibleElements()).size(); });
        const double search = medianMilliseconds(
            [&] { (void)QCoro::waitFor(service.clickVisibleElement(QStringLiteral("Nowhere"))); });
        qInfo("fake tree of %lld elements: listing %.2f ms median (%lld listed), whole-tree "
              "search %.2f ms median",
              static_cast<long long>(tree->count()), listing, static_cast<long long>(listed),
              search);
    }

    void realWindow_data()
    {
        QTest::addColumn<int>("extraButtons");
        QTest::newRow("probe window") << 0;
        QTest::newRow("probe window with 300 more buttons") << 300;
    }
    void realWindow()
    {
        QFETCH(int, extraButtons);
        if (!m_desktop)
            QSKIP(qPrintable(m_whyNoDesktop));
        const QString probe =
            QCoreApplication::applicationDirPath() + QStringLiteral("/accessibilityprobe");
        QProcessEnvironment environment = m_desktop->environment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // Qt 6.4 registers with the registry only when it found the bus through the session.
        environment.remove(QStringLiteral("AT_SPI_BUS_ADDRESS"));
        QProcess window;
        window.setProcessEnvironment(environment);
        window.start(probe, {QStringLiteral("--buttons"), QString::number(extraButtons)});
        if (!window.waitForStarted())
            QSKIP("the accessibility probe was not built (it is built with the tests)");
        auto workspace = std::make_shared<FakeWorkspace>();
        workspace->frontmostAnswers = {
            RunningApplication{std::nullopt, QStringLiteral("probe"), window.processId()}};
        UIAutomationService service(std::make_shared<AtspiAccessibilityTree>(),
                                    std::make_shared<FakeInputSynthesizer>(), workspace);
        qsizetype listed = 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                listed = QCoro::waitFor(service.getVisibleElements()).size();
                return listed > extraButtons;
            },
            10000));
        const double listing = medianMilliseconds(
            [&] { listed = QCoro::waitFor(service.getVisibleElements()).size(); });
        const double search = medianMilliseconds(
            [&] { (void)QCoro::waitFor(service.clickVisibleElement(QStringLiteral("Nowhere"))); });
        qInfo("AT-SPI window, %lld elements listed: listing %.2f ms median, whole-tree search "
              "%.2f ms median",
              static_cast<long long>(listed), listing, search);
        window.kill();
        window.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(BenchUIAutomation)
#include "bench_uiautomation.moc"
