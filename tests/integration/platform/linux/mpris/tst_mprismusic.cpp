// SPDX-License-Identifier: GPL-3.0-or-later
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

#include <unistd.h>

using namespace korvane;
using korvane::test::FakeApplicationCatalog;
using korvane::test::FakeWorkspace;
using korvane::test::TaggedAudioFiles;
using korvane::test::TestDesktop;

namespace {

// How a player is found before the request.
enum class Before { absent, idle, paused, playing };
enum class Request { play, playlist, pause, resume };

} // namespace

Q_DECLARE_METATYPE(Before)
Q_DECLARE_METATYPE(Request)

// Music requests against real players on a private session bus: mpv (with mpv-mpris) and VLC
// (its D-Bus control interface), each running or not, playing or not, playing files this test
// writes. The desktop's music application is launched through a workspace that starts it.
class TestMprisMusic : public QObject {
    Q_OBJECT

    TestDesktop m_desktop;
    QString m_music;
    const QStringList m_players{u"mpv"_qs, u"vlc"_qs};
    QHash<QString, QPointer<QProcess>> m_running;
    QString m_defaultPlayer;
    QProcessEnvironment m_vlcEnvironment;
    std::shared_ptr<FakeWorkspace> m_workspace;
    std::shared_ptr<FakeApplicationCatalog> m_catalog;
    std::unique_ptr<MprisMusicAutomation> m_automation;

    static QString findPlugin()
    {
        for (const char* candidate : {"/usr/lib/mpv-mpris/mpris.so", "/etc/mpv/scripts/mpris.so"}) {
            if (QFile::exists(QString::fromLatin1(candidate)))
                return QString::fromLatin1(candidate);
        }
        return {};
    }

    QString track(const char* relative) const
    {
        return QDir(m_music).filePath(QString::fromUtf8(relative));
    }

    QStringList playerArguments(const QString& name, const QString& file) const
    {
        QStringList arguments =
            name == u"mpv" ? QStringLiteral("--no-config --idle=yes --no-video --ao=null "
                                            "--keep-open=yes --no-terminal --script=%1")
                                 .arg(findPlugin())
                                 .split(u' ')
                           : u"-I dummy --control dbus --aout dummy --no-video"_qs.split(u' ');
        if (!file.isEmpty())
            arguments << file;
        return arguments;
    }

    void start(const QString& name, const QString& file = {})
    {
        if (m_running.value(name))
            return;
        QString why;
        QProcess* process =
            m_desktop.startProcess(name, playerArguments(name, file), &why,
                                   name == u"vlc" ? m_vlcEnvironment : QProcessEnvironment());
        QVERIFY2(process, qPrintable(why));
        m_running.insert(name, process);
        QTRY_VERIFY_WITH_TIMEOUT(!status(name).isEmpty(), 10000);
    }

    void stopAll()
    {
        for (const QPointer<QProcess>& process : std::as_const(m_running)) {
            if (process)
                m_desktop.stopProcess(process);
        }
        m_running.clear();
        // A player that is gone may keep its bus name a moment; the next row's player must
        // not be confused with it.
        for (const QString& player : m_players)
            QTRY_VERIFY_WITH_TIMEOUT(status(player).isEmpty(), 10000);
    }

    QVariant playerProperty(const QString& name, const QString& property) const
    {
        QDBusMessage get = QDBusMessage::createMethodCall(
            u"org.mpris.MediaPlayer2."_qs + name, u"/org/mpris/MediaPlayer2"_qs,
            u"org.freedesktop.DBus.Properties"_qs, u"Get"_qs);
        get.setArguments({u"org.mpris.MediaPlayer2.Player"_qs, property});
        const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 2000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        return reply.arguments().constFirst().value<QDBusVariant>().variant();
    }

    QString status(const QString& name) const
    {
        return playerProperty(name, u"PlaybackStatus"_qs).toString();
    }

    QString loadedFile(const QString& name) const
    {
        QVariantMap metadata;
        const QVariant value = playerProperty(name, u"Metadata"_qs);
        if (value.canConvert<QDBusArgument>())
            metadata = qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
        const QString url = metadata.value(u"xesam:url"_qs).toString();
        return url.startsWith(u"file:"_qs) ? QUrl(url).toLocalFile() : url;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString plugin = findPlugin();
        if (QStandardPaths::findExecutable(u"mpv"_qs).isEmpty() || plugin.isEmpty())
            QSKIP("mpv and mpv-mpris are needed");
        if (QStandardPaths::findExecutable(u"vlc"_qs).isEmpty())
            QSKIP("vlc is not installed; the MPRIS test needs vlc-bin and vlc-plugin-base");
        QString why;
        if (!m_desktop.startSessionBus(&why))
            QSKIP(qPrintable(why));
        // VLC will not start as root, which CI is; it is told it runs as someone else.
        if (::geteuid() == 0)
            m_vlcEnvironment.insert(u"LD_PRELOAD"_qs, QStringLiteral(KORVANE_VLC_AS_USER));

        m_music = QDir(m_desktop.scratchDirectory()).filePath(u"Music"_qs);
        // Long enough to be still playing when the test looks.
        constexpr double seconds = 120;
        QVERIFY(TaggedAudioFiles::writeTagged(track("Miles Davis/So What.wav"), u"So What"_qs,
                                              u"Miles Davis"_qs, u"Kind of Blue"_qs, seconds));
        QVERIFY(TaggedAudioFiles::writeTagged(track("Queen/Bohemian Rhapsody.wav"),
                                              u"Bohemian Rhapsody"_qs, u"Queen"_qs, {}, seconds));
        QVERIFY(TaggedAudioFiles::writeTagged(track("Bj\u00f6rk/J\u00f3ga #1.wav"), u"J\u00f3ga"_qs,
                                              u"Bj\u00f6rk"_qs, {}, seconds));
        QFile playlist(track("Road Trip.m3u8"));
        QVERIFY(playlist.open(QIODevice::WriteOnly));
        playlist.write("#EXTM3U\n#EXTINF:120,Queen - Bohemian Rhapsody\n"
                       "Queen/Bohemian Rhapsody.wav\nBj\xc3\xb6rk/J\xc3\xb3ga #1.wav\n");
        playlist.close();

        m_catalog = std::make_shared<FakeApplicationCatalog>();
        m_workspace = std::make_shared<FakeWorkspace>();
        // Launching the music application starts the row's default player.
        m_workspace->onOpenApplication = [this](const QUrl&) { start(m_defaultPlayer); };
        m_automation = std::make_unique<MprisMusicAutomation>(
            m_workspace, m_catalog, std::make_shared<MusicLibrary>(m_music));
    }

    void cleanupTestCase() { stopAll(); }

    void requests_data()
    {
        QTest::addColumn<QString>("player");
        QTest::addColumn<Before>("before");
        QTest::addColumn<QString>("defaultPlayer");
        QTest::addColumn<Request>("request");
        QTest::addColumn<QString>("expected");
        // The player's own status afterwards, and the file it has loaded.
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("file");

        const QString soWhat = u"Miles Davis/So What.wav"_qs;
        const QString playing = u"Playing miles in Music (So What)."_qs;
        for (const char* name : {"mpv", "vlc"}) {
            const QString player = QString::fromLatin1(name);
            const auto row = [&](const char* title) -> QTestData& {
                return QTest::addRow("%s, %s", name, title);
            };
            row("not running: the music application is launched")
                << player << Before::absent << player << Request::play << playing << u"Playing"_qs
                << soWhat;
            row("idle: a playlist track") << player << Before::idle << player << Request::playlist
                                          << u"Playing BJ\u00d6RK from road (J\u00f3ga)."_qs
                                          << u"Playing"_qs << u"Bj\u00f6rk/J\u00f3ga #1.wav"_qs;
            row("playing: paused") << player << Before::playing << player << Request::pause
                                   << u"Stopped Music."_qs << u"Paused"_qs << soWhat;
            row("paused: resumed") << player << Before::paused << player << Request::resume
                                   << u"Resumed Music."_qs << u"Playing"_qs << soWhat;
        }
        // The running player is the one heard, not the music application launched anew.
        QTest::newRow("vlc paused, mpv the music application: play goes to vlc")
            << u"vlc"_qs << Before::paused << u"mpv"_qs << Request::play << playing << u"Playing"_qs
            << soWhat;
        QTest::newRow("vlc idle: pausing says nothing plays")
            << u"vlc"_qs << Before::idle << u"mpv"_qs << Request::pause
            << u"Nothing is playing in VLC media player."_qs << u"Stopped"_qs << QString();
        QTest::newRow("mpv idle: resuming says there is nothing to play")
            << u"mpv"_qs << Before::idle << u"mpv"_qs << Request::resume
            << u"Could not resume Music: mpv has nothing to play."_qs << u"Stopped"_qs << QString();
    }

    void requests()
    {
        QFETCH(QString, player);
        QFETCH(Before, before);
        QFETCH(QString, defaultPlayer);
        QFETCH(Request, request);
        QFETCH(QString, expected);
        QFETCH(QString, status);
        QFETCH(QString, file);

        stopAll();
        m_defaultPlayer = defaultPlayer;
        const QUrl entry = QUrl::fromLocalFile(u"/apps/"_qs + defaultPlayer + u".desktop"_qs);
        m_catalog->byRole.insert(u"music player"_qs, {defaultPlayer, entry});
        m_catalog->identifiers.insert(entry, entry.fileName());
        m_workspace->openedApplications.clear();
        if (before != Before::absent)
            start(player, before == Before::idle ? QString() : track("Miles Davis/So What.wav"));
        // mpv-mpris 0.7 says "Playing" after it starts, idle or not, until mpv's idle event;
        // when that event comes before mpv's first word on pausing, it stays "Playing" for
        // good. A fresh idle player that does not settle is started again.
        for (int attempt = 0; before == Before::idle && attempt < 3 &&
                              !QTest::qWaitFor([&] { return this->status(player) == u"Stopped"; });
             ++attempt) {
            stopAll();
            start(player);
        }
        if (before == Before::idle)
            QCOMPARE(this->status(player), u"Stopped"_qs);
        if (before == Before::playing || before == Before::paused)
            QTRY_COMPARE_WITH_TIMEOUT(this->status(player), u"Playing"_qs, 10000);
        if (before == Before::paused) {
            QDBusConnection::sessionBus().call(
                QDBusMessage::createMethodCall(u"org.mpris.MediaPlayer2."_qs + player,
                                               u"/org/mpris/MediaPlayer2"_qs,
                                               u"org.mpris.MediaPlayer2.Player"_qs, u"Pause"_qs),
                QDBus::Block, 2000);
            QTRY_COMPARE_WITH_TIMEOUT(this->status(player), u"Paused"_qs, 10000);
        }

        ComputerUseResult result;
        switch (request) {
        case Request::play:
            result = QCoro::waitFor(m_automation->playMusic(u"miles"_qs, MusicScope::library()));
            break;
        case Request::playlist:
            result = QCoro::waitFor(
                m_automation->playMusic(u"BJ\u00d6RK"_qs, MusicScope::playlist(u"road"_qs)));
            break;
        case Request::pause:
            result = QCoro::waitFor(m_automation->stopMusic());
            break;
        case Request::resume:
            result = QCoro::waitFor(m_automation->resumeMusic());
            break;
        }
        QCOMPARE(result.summary, expected);
        // The summary is the player's own word: its status says the same, right away.
        QCOMPARE(this->status(player), status);
        if (!file.isEmpty())
            QCOMPARE(loadedFile(player), track(file.toUtf8().constData()));
        QCOMPARE(m_workspace->openedApplications.size(), before == Before::absent ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestMprisMusic)
#include "tst_mprismusic.moc"
