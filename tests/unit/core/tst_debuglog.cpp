// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DebugLog.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

using namespace korvane;

class DebugLogTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void concurrentWritersNeverInterleave();
    void secretsAreRedacted();
    void rotatesKeepingOneOldFile();

private:
    QString logPath() const { return m_state->path() + u"/korvane/app_debug.log"; }
    QStringList logLines() const;

    std::unique_ptr<QTemporaryDir> m_state;
};

QStringList DebugLogTest::logLines() const
{
    flushLog();
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

void DebugLogTest::init()
{
    m_state = std::make_unique<QTemporaryDir>();
    qputenv("XDG_STATE_HOME", m_state->path().toUtf8());
    qputenv("KORVANE_ENV_FILES", "");
}

void DebugLogTest::concurrentWritersNeverInterleave()
{
    constexpr int writers = 8;
    constexpr int linesEach = 200;
    const QString payload(300, u'ü');
    QList<QFuture<void>> futures;
    for (int writer = 0; writer < writers; ++writer) {
        futures.append(QtConcurrent::run([writer, payload] {
            for (int i = 0; i < linesEach; ++i)
                writeLog(QStringLiteral("writer %1 line %2 ").arg(writer).arg(i) + payload);
        }));
    }
    for (QFuture<void>& future : futures)
        future.waitForFinished();

    const QStringList lines = logLines();
    QCOMPARE(lines.size(), writers * linesEach);
    static const QRegularExpression whole(
        u"^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] writer \\d line \\d+ ü{300}$"_qs);
    for (const QString& line : lines)
        QVERIFY2(whole.match(line).hasMatch(), qPrintable(line.left(80)));
}

void DebugLogTest::secretsAreRedacted()
{
    qputenv("OPENAI_API_KEY", "sk-test-0123456789");
    writeLog(u"key sk-test-0123456789 and header Authorization: Bearer abc.def"_qs);
    const QString line = logLines().value(0);
    QVERIFY2(!line.contains(u"sk-test-0123456789"), "the key never reaches the log");
    QVERIFY2(!line.contains(u"abc.def"), "bearer tokens never reach the log");
    QVERIFY(line.contains(u"Bearer [redacted]"));
    QCOMPARE(QFileInfo(logPath()).permissions() &
                 (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());
}

void DebugLogTest::rotatesKeepingOneOldFile()
{
    const QString line(1000 * 1000, u'x');
    for (int round = 0; round < 11; ++round)
        writeLog(QString::number(round) + line);
    // Five lines fill the log; the sixth starts a new one, and so does the eleventh.
    const QStringList current = logLines();
    QCOMPARE(current.size(), 1);
    QVERIFY(current.first().contains(u"] 10x"));
    QFile old(logPath() + u".1");
    QVERIFY(old.open(QIODevice::ReadOnly));
    const QList<QByteArray> oldLines = old.readAll().split('\n');
    QCOMPARE(oldLines.size(), 6); // five lines and the empty rest after the last line feed
    QVERIFY(oldLines.first().contains("] 5x"));
    QVERIFY(!QFileInfo::exists(logPath() + u".2"));
}

QTEST_GUILESS_MAIN(DebugLogTest)
#include "tst_debuglog.moc"
