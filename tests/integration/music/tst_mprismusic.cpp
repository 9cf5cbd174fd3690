#include "TaggedAudioFiles.h"
#include "desktop/TestDesktop.h"
#include "fakes/FakeApplicationCatalog.h"
#include "fakes/FakeWorkspace.h"
#include "platform/linux/mpris/MprisMusicAutomation.h"
#include "platform/linux/mpris/MusicLibrary.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace korvane;
using korvane::test::FakeApplicationCatalog;
using korvane::test::FakeWorkspace;
using korvane::test::TaggedAudioFiles;
using korvane::test::TestDesktop;

// The music operations against a real mpv with its MPRIS plugin on a private session bus,
// playing files this test writes. The workspace launches mpv when the music player is opened.
class TestMprisMusic : public QObject {
    Q_OBJECT

    TestDesktop m_desktop;
    QString m_plugin;
    QString m_music;
    QPointer<QProcess> m_mpv;
    int m_playerStarts = 0;
    std::shared_ptr<FakeWorkspace> m_workspace;
    std::unique_ptr<MprisMusicAutomation> m_automation;

    static QString findPlugin()
    {
        for (const char* candidate :
             {"/usr/lib/mpv-mpris/mpris.so", "/usr/lib/x86_64-linux-gnu/mpv/scripts/mpris.so",
              "/etc/mpv/scripts/mpris.so", "/usr/share/mpv/scripts/mpris.so"}) {
            if (QFile::exists(QString::fromLatin1(candidate)))
                return QString::fromLatin1(candidate);
        }
        return {};
    }

    QString track(const char* relative) const
    {
        return QDir(m_music).filePath(QString::fromUtf8(relative));
    }

    void startPlayer()
    {
        if (m_mpv && m_mpv->state() != QProcess::NotRunning)
            return;
        QString why;
        ++m_playerStarts;
        m_mpv = m_desktop.startProcess(QStringLiteral("mpv"),
                                       {QStringLiteral("--no-config"), QStringLiteral("--idle=yes"),
                                        QStringLiteral("--no-video"), QStringLiteral("--ao=null"),
                                        QStringLiteral("--keep-open=yes"),
                                        QStringLiteral("--no-terminal"),
                                        QStringLiteral("--script=") + m_plugin},
                                       &why);
        if (!m_mpv)
            qWarning("%s", qPrintable(why));
    }

    static QVariant playerProperty(const QString& name)
    {
        QDBusMessage get = QDBusMessage::createMethodCall(
            QStringLiteral("org.mpris.MediaPlayer2.mpv"), QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get.setArguments({QStringLiteral("org.mpris.MediaPlayer2.Player"), name});
        const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 2000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        return reply.arguments().constFirst().value<QDBusVariant>().variant();
    }

    static QUrl playingUrl()
    {
        QVariantMap metadata;
        const QVariant value = playerProperty(QStringLiteral("Metadata"));
        if (value.canConvert<QDBusArgument>())
            metadata = qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
        const QString url = metadata.value(QStringLiteral("xesam:url")).toString();
        if (url.isEmpty())
            return {};
        return url.startsWith(QStringLiteral("file:")) ? QUrl(url) : QUrl::fromLocalFile(url);
    }

    static QString status() { return playerProperty(QStringLiteral("PlaybackStatus")).toString(); }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("mpv")).isEmpty())
            QSKIP("mpv is not installed; the MPRIS test needs it");
        m_plugin = findPlugin();
        if (m_plugin.isEmpty())
            QSKIP("mpv-mpris is not installed; the MPRIS test needs its mpris.so");
        QString why;
        if (!m_desktop.startSessionBus(&why))
            QSKIP(qPrintable(why));

        m_music = QDir(m_desktop.scratchDirectory()).filePath(QStringLiteral("Music"));
        // Long enough to be still playing when the test looks.
        constexpr double seconds = 120;
        QVERIFY(TaggedAudioFiles::writeTagged(
            track("Miles Davis/So What.wav"), QStringLiteral("So What"),
            QStringLiteral("Miles Davis"), QStringLiteral("Kind of Blue"), seconds));
        QVERIFY(TaggedAudioFiles::writeTagged(track("Queen/Bohemian Rhapsody.wav"),
                                              QStringLiteral("Bohemian Rhapsody"),
                                              QStringLiteral("Queen"), {}, seconds));
        QVERIFY(TaggedAudioFiles::writeTagged(track("Bj\u00f6rk/J\u00f3ga #1.wav"),
                                              QStringLiteral("J\u00f3ga"),
                                              QStringLiteral("Bj\u00f6rk"), {}, seconds));
        QVERIFY(TaggedAudioFiles::writeTagged(track("Various/12\" Single.wav"),
                                              QStringLiteral("12\" Single"), {}, {}, seconds));
        QFile playlist(track("Road Trip.m3u8"));
        QVERIFY(playlist.open(QIODevice::WriteOnly));
        playlist.write("#EXTM3U\n#EXTINF:120,Queen - Bohemian Rhapsody\n"
                       "Queen/Bohemian Rhapsody.wav\nBj\xc3\xb6rk/J\xc3\xb3ga #1.wav\n");
        playlist.close();

        const QUrl entry = QUrl::fromLocalFile(m_desktop.scratchDirectory() +
                                               QStringLiteral("/applications/mpv.desktop"));
        auto catalog = std::make_shared<FakeApplicationCatalog>();
        catalog->byBundleIdentifier.insert(QStringLiteral("com.apple.Music"),
                                           {QStringLiteral("mpv"), entry});
        catalog->identifiers.insert(entry, QStringLiteral("mpv.desktop"));
        m_workspace = std::make_shared<FakeWorkspace>();
        m_workspace->onOpenApplication = [this](const QUrl&) { startPlayer(); };
        m_automation = std::make_unique<MprisMusicAutomation>(
            m_workspace, catalog, std::make_shared<MusicLibrary>(m_music));
    }

    void stoppingWithoutAPlayerLaunchesNothing()
    {
        QCOMPARE(QCoro::waitFor(m_automation->stopMusic()).summary,
                 QStringLiteral("Could not stop Music: No music player is running."));
        QCOMPARE(m_workspace->openedApplications.size(), 0);
        QVERIFY(!m_mpv);
    }

    void playing_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("playlist");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("file");

        QTest::newRow("library, launching the player")
            << QStringLiteral("miles") << QString()
            << QStringLiteral("Playing miles in Music (So What).")
            << QStringLiteral("Miles Davis/So What.wav");
        QTest::newRow("named playlist, non-ASCII path with a hash")
            << QStringLiteral("BJ\u00d6RK") << QStringLiteral("road")
            << QStringLiteral("Playing BJ\u00d6RK from road (J\u00f3ga).")
            << QStringLiteral("Bj\u00f6rk/J\u00f3ga #1.wav");
        QTest::newRow("double quote in query and file name")
            << QStringLiteral("12\"") << QString()
            << QStringLiteral("Playing 12\" in Music (12\" Single).")
            << QStringLiteral("Various/12\" Single.wav");
    }

    void playing()
    {
        QFETCH(QString, query);
        QFETCH(QString, playlist);
        QFETCH(QString, expected);
        QFETCH(QString, file);
        const MusicScope scope =
            playlist.isEmpty() ? MusicScope::library() : MusicScope::playlist(playlist);

        QCOMPARE(QCoro::waitFor(m_automation->playMusic(query, scope)).summary, expected);
        QVERIFY(m_mpv);
        const QUrl wanted = QUrl::fromLocalFile(track(file.toUtf8().constData()));
        QTRY_COMPARE_WITH_TIMEOUT(playingUrl(), wanted, 10000);
        // mpv-mpris at times keeps reporting "Stopped" for a file it just loaded; the playback
        // status is checked where it changes on its own, by pausing and resuming.
    }

    void stopPausesAndResumePlaysAgain()
    {
        QVERIFY(m_mpv);
        QCOMPARE(QCoro::waitFor(m_automation->stopMusic()).summary,
                 QStringLiteral("Stopped Music."));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Paused"), 10000);

        QCOMPARE(QCoro::waitFor(m_automation->resumeMusic()).summary,
                 QStringLiteral("Resumed Music."));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Playing"), 10000);
        // Every operation opened the music player; the running one was reused.
        QCOMPARE(m_playerStarts, 1);
        QVERIFY(m_workspace->openedApplications.size() > 1);
    }
};

QTEST_GUILESS_MAIN(TestMprisMusic)
#include "tst_mprismusic.moc"
