// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/desktop/TestDesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

using korvane::test::TestDesktop;

namespace {

// Live processes whose environment mentions `text` (zombies waiting for a reaper count as gone).
QList<qint64> processesMentioning(const QString& text)
{
    QList<qint64> found;
    const QStringList entries = QDir(u"/proc"_qs).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid == QCoreApplication::applicationPid())
            continue;
        QFile variables(u"/proc/%1/environ"_qs.arg(pid));
        QFile stat(u"/proc/%1/stat"_qs.arg(pid));
        if (!variables.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray status = stat.readAll();
        const qsizetype end = status.lastIndexOf(')');
        if (end < 0 || status.mid(end + 2, 1) == "Z")
            continue;
        if (QString::fromLocal8Bit(variables.readAll().replace('\0', '\n')).contains(text))
            found.append(pid);
    }
    return found;
}

} // namespace

// The shared desktop fixture leaves nothing behind: every test using it would still pass if
// it leaked servers, folders or variables, so this is the one place that would notice.
class TestTestDesktop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everythingStopsWithTheDesktop()
    {
        const QString displayBefore = qEnvironmentVariable("DISPLAY");
        QString runtime;
        QString display;
        {
            TestDesktop desktop;
            QString why;
            if (!desktop.startDisplay(&why) || !desktop.startAccessibilityBus(&why) ||
                !desktop.startPulseAudio(&why))
                QSKIP(qPrintable(why));
            runtime = desktop.environment().value(u"XDG_RUNTIME_DIR"_qs);
            display = desktop.display();
            QCOMPARE(qEnvironmentVariable("DISPLAY"), display);
            QVERIFY(!(QFileInfo(runtime).permissions() &
                      (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                       QFile::WriteOther | QFile::ExeOther)));
            // The session bus, the bus launcher, the accessibility bus it forks, the registry
            // and pulseaudio all run with the private runtime folder.
            QVERIFY(processesMentioning(runtime).size() >= 5);
        }
        QVERIFY(!QFileInfo::exists(runtime));
        QVERIFY(!QFileInfo::exists(u"/tmp/.X%1-lock"_qs.arg(display.mid(1))));
        QCOMPARE(qEnvironmentVariable("DISPLAY"), displayBefore);
        QTRY_COMPARE(processesMentioning(runtime), QList<qint64>());
    }
};

QTEST_GUILESS_MAIN(TestTestDesktop)
#include "tst_testdesktop.moc"
