#pragma once

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <memory>

namespace korvane::test {

// A private X server for one test run: the first free display from :90 on.
class XvfbServer final {
public:
    XvfbServer()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            return;
        for (int display = 90; display < 140 && !m_process; ++display) {
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
            const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(display);
            if (QFileInfo::exists(socket) || QFileInfo::exists(lock))
                continue;
            auto process = std::make_unique<QProcess>();
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process->start(QStringLiteral("Xvfb"),
                           {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"),
                            QStringLiteral("0"), QStringLiteral("1600x1000x24"),
                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            if (!process->waitForStarted(5000))
                continue;
            // The server is ready once its socket exists; it exits when the display is taken.
            for (int wait = 0;
                 wait < 100 && process->state() == QProcess::Running && !QFileInfo::exists(socket);
                 ++wait)
                QThread::msleep(50);
            if (process->state() == QProcess::Running && QFileInfo::exists(socket)) {
                m_display = QStringLiteral(":%1").arg(display);
                m_process = std::move(process);
            } else {
                process->kill();
                process->waitForFinished();
            }
        }
    }
    ~XvfbServer()
    {
        if (m_process) {
            m_process->terminate();
            if (!m_process->waitForFinished(3000))
                m_process->kill();
            m_process->waitForFinished();
        }
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    QString display() const { return m_display; }

private:
    std::unique_ptr<QProcess> m_process;
    QString m_display;
};

} // namespace korvane::test

// Runs the test class on the xcb platform of a private Xvfb; skips when none can start.
#define KORVANE_XVFB_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        korvane::test::XvfbServer server;                                                          \
        if (server.display().isEmpty()) {                                                          \
            std::printf("SKIP: Xvfb could not start a display\n");                                 \
            return 0;                                                                              \
        }                                                                                          \
        qputenv("DISPLAY", server.display().toLocal8Bit());                                        \
        qputenv("QT_QPA_PLATFORM", "xcb");                                                         \
        QGuiApplication app(argc, argv);                                                           \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
