// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppModel.h"
#include "app/ApplicationComposition.h"
#include "platform/Workspace.h"
#include "platform/linux/atspi/AtspiAccessibilityTree.h"
#include "support/desktop/TestDesktop.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QWindow>

#include <cstdio>

using namespace korvane;

// A command typed into Korvane's own window acts on the program the person used before it: a
// real GTK entry on a private X server and window manager, real XTest input, this process's
// window standing in for Korvane's.
class ComposerTargetTest final : public QObject {
    Q_OBJECT

public:
    explicit ComposerTargetTest(test::TestDesktop& desktop)
        : m_desktop(desktop)
    {
    }

private:
    test::TestDesktop& m_desktop;
    std::shared_ptr<Workspace> m_workspace;

    qint64 frontmostProcess()
    {
        const std::optional<RunningApplication> frontmost =
            QCoro::waitFor(m_workspace->frontmostApplication());
        return frontmost ? frontmost->processId : 0;
    }

    QString submit(AppModel& model, QWindow& own, const QString& prompt)
    {
        own.requestActivate();
        if (!QTest::qWaitFor(
                [&] { return frontmostProcess() == QCoreApplication::applicationPid(); }, 10000))
            return u"Korvane's window did not come to the front"_qs;
        model.setPromptText(prompt);
        model.submitPrompt();
        if (!QTest::qWaitFor([&] { return !model.isResponding(); }, 20000))
            return u"no answer"_qs;
        return model.messages().last().content;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!m_desktop.startAccessibilityBus(&why))
            QSKIP(qPrintable(why));
        m_workspace = composeDesktop(DesktopSession::current()).ports.workspace;
    }

    void typedCommandsActOnTheProgramUsedBefore()
    {
        // Started here rather than by the desktop, whose processes write to log files: the
        // entry prints what it holds when Return closes it.
        QProcess entry;
        entry.setProcessEnvironment(m_desktop.environment());
        entry.start(u"zenity"_qs, {u"--entry"_qs, u"--title=Notes"_qs, u"--text=Name"_qs});
        if (!entry.waitForStarted())
            QSKIP("zenity could not be started");
        QTRY_COMPARE_WITH_TIMEOUT(frontmostProcess(), entry.processId(), 10000);

        // Built while the entry is in front, as Korvane is started from a program in use.
        const std::unique_ptr<AppModel> model =
            makeApplicationModel({.headless = true}, composeDesktop(DesktopSession::current()));
        QWindow own;
        own.resize(320, 200);
        own.show();

        QCOMPARE(submit(*model, own, u"type hello"_qs), u"In Zenity: Typed text."_qs);
        QCOMPARE(submit(*model, own, u"press return"_qs), u"In Zenity: Pressed Return."_qs);
        QVERIFY(entry.waitForFinished(10000));
        QCOMPARE(entry.readAllStandardOutput(), QByteArray("hello\n"));
    }
};

// The display and its window manager exist before the application, which connects to them
// on construction.
int main(int argc, char* argv[])
{
    test::TestDesktop desktop;
    QString whyNot;
    if (!desktop.startWindowManager(&whyNot)) {
        std::printf("SKIP: %s\n", qPrintable(whyNot));
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    AtspiAccessibilityTree::prepareProcess();
    QGuiApplication app(argc, argv);
    ComposerTargetTest test(desktop);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_composertarget.moc"
