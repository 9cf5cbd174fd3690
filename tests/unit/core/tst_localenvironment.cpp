// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/LocalEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

namespace {

const QString key = QStringLiteral("KORVANE_TEST_KEY");

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write a test file");
    file.write(content);
    return path;
}

} // namespace

class LocalEnvironmentTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { m_directory = QDir::currentPath(); }
    void cleanup()
    {
        QDir::setCurrent(m_directory);
        for (const char* name : {"KORVANE_TEST_KEY", "KORVANE_ENV_FILES", "XDG_CONFIG_HOME"})
            qunsetenv(name);
    }
    void lineRules_data();
    void lineRules();
    void environmentComesFirstWhenNotEmpty();
    void firstNonEmptyFileWins();
    void unusableFilesAreSkipped_data();
    void unusableFilesAreSkipped();
    void lookupNamesItsSource();
    void defaultCandidatesInOrderWithoutDuplicates();
    void candidateListCanBeReplaced();

private:
    QString m_directory;
};

void LocalEnvironmentTest::lineRules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<QString>>("expected");
    const auto some = [](const char* value) {
        return std::optional<QString>(QString::fromUtf8(value));
    };
    const std::optional<QString> none;

    QTest::newRow("plain") << u"KORVANE_TEST_KEY=abc"_qs << some("abc");
    QTest::newRow("double quotes") << u"KORVANE_TEST_KEY=\"abc\""_qs << some("abc");
    QTest::newRow("quote characters stripped at each end")
        << u"KORVANE_TEST_KEY=\"'abc\""_qs << some("abc");
    QTest::newRow("quotes inside stay") << u"KORVANE_TEST_KEY=a\"b'c"_qs << some("a\"b'c");
    QTest::newRow("only the first = splits") << u"KORVANE_TEST_KEY=a=b=="_qs << some("a=b==");
    QTest::newRow("whole line trimmed") << u"   KORVANE_TEST_KEY=abc  \t"_qs << some("abc");
    QTest::newRow("space after = stays") << u"KORVANE_TEST_KEY= abc"_qs << some(" abc");
    QTest::newRow("space before = does not match") << u"KORVANE_TEST_KEY =abc"_qs << none;
    QTest::newRow("export prefix does not match") << u"export KORVANE_TEST_KEY=abc"_qs << none;
    QTest::newRow("longer key does not match") << u"KORVANE_TEST_KEY2=abc"_qs << none;
    QTest::newRow("comment line") << u"#KORVANE_TEST_KEY=abc"_qs << none;
    QTest::newRow("indented comment line") << u"   # KORVANE_TEST_KEY=abc"_qs << none;
    QTest::newRow("hash later is part of the value")
        << u"KORVANE_TEST_KEY=abc # note"_qs << some("abc # note");
    QTest::newRow("windows line ends") << u"OTHER=1\r\nKORVANE_TEST_KEY=abc\r\n"_qs << some("abc");
    QTest::newRow("first line wins even when empty")
        << u"KORVANE_TEST_KEY=\nKORVANE_TEST_KEY=two"_qs << some("");
    QTest::newRow("quotes only give empty") << u"KORVANE_TEST_KEY=\"\""_qs << some("");
    QTest::newRow("no equals sign") << u"KORVANE_TEST_KEY"_qs << none;
    QTest::newRow("empty text") << QString() << none;
}

void LocalEnvironmentTest::lineRules()
{
    QFETCH(QString, text);
    QFETCH(std::optional<QString>, expected);
    QCOMPARE(LocalEnvironment::valueInText(key, text), expected);
}

void LocalEnvironmentTest::environmentComesFirstWhenNotEmpty()
{
    QTemporaryDir dir;
    const QString file = writeFile(dir, u"a.env"_qs, "KORVANE_TEST_KEY=from-file\n");
    qputenv("KORVANE_ENV_FILES", file.toUtf8());

    qputenv("KORVANE_TEST_KEY", "from-environment");
    QCOMPARE(LocalEnvironment::value(key), std::optional<QString>(u"from-environment"_qs));

    qputenv("KORVANE_TEST_KEY", "");
    QCOMPARE(LocalEnvironment::value(key), std::optional<QString>(u"from-file"_qs));
}

void LocalEnvironmentTest::firstNonEmptyFileWins()
{
    QTemporaryDir dir;
    // The first file's first matching line is empty: the next file decides, not its second line.
    const QString first =
        writeFile(dir, u"first.env"_qs, "KORVANE_TEST_KEY=\nKORVANE_TEST_KEY=second-line\n");
    const QString second = writeFile(dir, u"second.env"_qs, "KORVANE_TEST_KEY=next-file\n");
    const QString third = writeFile(dir, u"third.env"_qs, "KORVANE_TEST_KEY=too-late\n");
    qputenv("KORVANE_ENV_FILES", (first + u':' + second + u':' + third).toUtf8());

    QCOMPARE(LocalEnvironment::value(key), std::optional<QString>(u"next-file"_qs));

    qputenv("KORVANE_ENV_FILES", first.toUtf8());
    QCOMPARE(LocalEnvironment::value(key), std::nullopt);
}

void LocalEnvironmentTest::unusableFilesAreSkipped_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("asDirectory");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("not UTF-8") << QByteArray("KORVANE_TEST_KEY=\xff\xfe\x80 bad\n") << false;
    QTest::newRow("larger than the cap") << (QByteArray("KORVANE_TEST_KEY=huge\n") +
                                             QByteArray(LocalEnvironment::maximumFileSize, '#'))
                                         << false;
    QTest::newRow("a folder named like the file") << QByteArray() << true;
}

void LocalEnvironmentTest::unusableFilesAreSkipped()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, asDirectory);
    QTemporaryDir dir;
    QString unusable = dir.filePath(u"unusable.env"_qs);
    if (asDirectory)
        QVERIFY(QDir(dir.path()).mkdir(u"unusable.env"_qs));
    else if (!content.isEmpty())
        unusable = writeFile(dir, u"unusable.env"_qs, content);
    const QString good = writeFile(dir, u"good.env"_qs, "KORVANE_TEST_KEY=good\n");

    QCOMPARE(LocalEnvironment::valueInFile(key, unusable), std::nullopt);
    qputenv("KORVANE_ENV_FILES", (unusable + u':' + good).toUtf8());
    QCOMPARE(LocalEnvironment::value(key), std::optional<QString>(u"good"_qs));
}

void LocalEnvironmentTest::lookupNamesItsSource()
{
    QTemporaryDir dir;
    const QString file = writeFile(dir, u"a.env"_qs, "KORVANE_TEST_KEY=x\n");
    qputenv("KORVANE_ENV_FILES", file.toUtf8());

    QCOMPARE(LocalEnvironment::lookup(key).source, QDir::cleanPath(file));
    qputenv("KORVANE_TEST_KEY", "y");
    QCOMPARE(LocalEnvironment::lookup(key).source, u"environment"_qs);
    QCOMPARE(LocalEnvironment::lookup(u"KORVANE_TEST_UNSET_KEY"_qs).value, std::nullopt);
}

void LocalEnvironmentTest::defaultCandidatesInOrderWithoutDuplicates()
{
    qunsetenv("KORVANE_ENV_FILES");
    const QDir executableFolder(QCoreApplication::applicationDirPath());
    const QString checkout = QDir::cleanPath(executableFolder.filePath(u"../.."_qs));
    const QString buildFolder = QDir::cleanPath(executableFolder.filePath(u".."_qs));
    QTemporaryDir elsewhere;

    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());

    // A folder Korvane is started in (a cloned repository, say) is never read: its file could
    // send the key stored in the user's own configuration to a server of its choosing.
    writeFile(elsewhere, u".env.local"_qs,
              "KORVANE_TEST_KEY=planted\nOPENAI_BASE_URL=http://attacker.example\n");
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    const QStringList files = LocalEnvironment::candidateEnvFiles();
    QVERIFY(files.size() >= 3);
    QCOMPARE(files.at(0), checkout + u"/.env.local");
    QCOMPARE(files.at(1), buildFolder + u"/.env.local");
    QCOMPARE(files.last(), configHome.path() + u"/korvane/.env.local");
    QVERIFY(!files.contains(QDir(elsewhere.path()).filePath(u".env.local"_qs)));
    QCOMPARE(LocalEnvironment::value(key), std::nullopt);
}

void LocalEnvironmentTest::candidateListCanBeReplaced()
{
    qputenv("KORVANE_ENV_FILES", "/tmp/a.env::/tmp/b.env:/tmp/a.env");
    QCOMPARE(LocalEnvironment::candidateEnvFiles(),
             (QStringList{u"/tmp/a.env"_qs, u"/tmp/b.env"_qs}));
    qputenv("KORVANE_ENV_FILES", "");
    QVERIFY(LocalEnvironment::candidateEnvFiles().isEmpty());
}

QTEST_GUILESS_MAIN(LocalEnvironmentTest)
#include "tst_localenvironment.moc"
