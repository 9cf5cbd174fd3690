// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaggedAudioFiles.h"
#include "fakes/FakeApplicationCatalog.h"
#include "fakes/FakeWorkspace.h"
#include "platform/linux/mpris/MprisBus.h"
#include "platform/linux/mpris/MprisMusicAutomation.h"
#include "platform/linux/mpris/MprisPlayerChoice.h"
#include "platform/linux/mpris/MusicLibrary.h"

#include <QDBusObjectPath>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace korvane;
using namespace std::chrono_literals;
using korvane::test::FakeApplicationCatalog;
using korvane::test::FakeWorkspace;
using korvane::test::TaggedAudioFiles;

Q_DECLARE_METATYPE(korvane::MusicScope)

namespace {

// Players that change as real ones do: Pause pauses a playing one, Play plays a loaded track,
// OpenUri and AddTrack load one. Failures and ignored commands by method name.
class FakeMprisBus final : public MprisBus {
public:
    struct Call {
        QString service{};
        QString interface {
        };
        QString method{};
        QVariantList arguments{};
    };

    QList<MprisPlayer> present{};
    // Players that join once this many more queries have been made (a launched player).
    QList<MprisPlayer> arriving{};
    int arrivesAfter = 0;
    QHash<QString, QString> failures{};
    // Accepted, to no effect.
    QSet<QString> ignored{};
    QList<Call> calls{};

    QCoro::Task<QList<MprisPlayer>> players() override
    {
        if (!arriving.isEmpty() && arrivesAfter-- <= 0)
            present += std::exchange(arriving, {});
        co_return std::as_const(present);
    }

    QCoro::Task<std::optional<MprisPlayer>> player(QString service) override
    {
        MprisPlayer* found = find(service);
        co_return found ? std::optional<MprisPlayer>(*found) : std::nullopt;
    }

    QCoro::Task<Outcome> call(QString service, QString interface, QString method,
                              QVariantList arguments) override
    {
        calls.append({service, interface, method, arguments});
        if (const auto failure = failures.constFind(method); failure != failures.cend())
            co_return Outcome::failure(*failure);
        MprisPlayer* target = find(service);
        if (ignored.contains(method) || !target)
            co_return Outcome::success();
        if (method == u"Pause" && target->isPlaying())
            target->playbackStatus = QStringLiteral("Paused");
        else if (method == u"Play" && !target->trackUrl.isEmpty())
            target->playbackStatus = QStringLiteral("Playing");
        else if (method == u"OpenUri" || method == u"AddTrack")
            target->trackUrl = arguments.value(0).toString();
        co_return Outcome::success();
    }

    QStringList methods() const
    {
        QStringList list;
        for (const Call& call : calls)
            list.append(call.service.mid(servicePrefix().size()) + u' ' + call.method);
        return list;
    }

private:
    MprisPlayer* find(const QString& service)
    {
        for (MprisPlayer& player : present) {
            if (player.service == service)
                return &player;
        }
        return nullptr;
    }
};

// A player as the bus lists it; one that is not stopped has a track loaded.
MprisPlayer player(const char* name, const char* status = "Stopped", bool canControl = true,
                   const char* desktopEntry = nullptr)
{
    const QString player = QString::fromLatin1(name);
    MprisPlayer listed{MprisBus::servicePrefix() + player,
                       player,
                       desktopEntry ? QString::fromLatin1(desktopEntry) : player,
                       QString::fromLatin1(status),
                       canControl,
                       false};
    if (listed.playbackStatus != u"Stopped")
        listed.trackUrl = QStringLiteral("file:///music/earlier.wav");
    return listed;
}

const QUrl rhythmboxEntry = QUrl::fromLocalFile(QStringLiteral("/apps/rhythmbox.desktop"));

} // namespace

// The music operations over fake players, a fake desktop and a small real library.
class TestMprisMusicAutomation : public QObject {
    Q_OBJECT

    QTemporaryDir m_music;
    std::shared_ptr<FakeWorkspace> m_workspace;
    std::shared_ptr<FakeApplicationCatalog> m_catalog;
    std::shared_ptr<FakeMprisBus> m_bus;
    std::unique_ptr<MprisMusicAutomation> m_automation;

    QString musicFile(const char* name) const { return m_music.filePath(QString::fromUtf8(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_music.isValid());
        QVERIFY(TaggedAudioFiles::writeTagged(musicFile("a.wav"), QStringLiteral("So What"),
                                              QStringLiteral("Miles Davis"),
                                              QStringLiteral("Kind of Blue")));
        QVERIFY(TaggedAudioFiles::writeTagged(musicFile("b.wav"), QStringLiteral("12\" Single"),
                                              QStringLiteral("DJ Quote")));
        QVERIFY(TaggedAudioFiles::writeSilence(musicFile("c d.wav")));
        QFile playlist(musicFile("Road Trip.m3u"));
        QVERIFY(playlist.open(QIODevice::WriteOnly));
        playlist.write("#EXTM3U\nb.wav\nc d.wav\n");
    }

    void init()
    {
        m_workspace = std::make_shared<FakeWorkspace>();
        m_catalog = std::make_shared<FakeApplicationCatalog>();
        m_catalog->byRole.insert(QStringLiteral("music player"),
                                 {QStringLiteral("Rhythmbox"), rhythmboxEntry});
        m_catalog->identifiers.insert(rhythmboxEntry, QStringLiteral("rhythmbox.desktop"));
        m_bus = std::make_shared<FakeMprisBus>();
        m_automation = std::make_unique<MprisMusicAutomation>(
            m_workspace, m_catalog, std::make_shared<MusicLibrary>(m_music.path()), m_bus,
            MprisPlayerWait{1000ms, 10ms, 200ms});
    }

    void choose_data()
    {
        QTest::addColumn<QList<MprisPlayer>>("players");
        QTest::addColumn<QString>("expected");

        QTest::newRow("none") << QList<MprisPlayer>{} << QString();
        QTest::newRow("the one playing, before the music application's paused one")
            << QList<MprisPlayer>{player("rhythmbox", "Paused"), player("mpv", "Playing")}
            << QStringLiteral("mpv");
        QTest::newRow("among alike, the music application's own")
            << QList<MprisPlayer>{player("mpv", "Paused"), player("rhythmbox", "Paused")}
            << QStringLiteral("rhythmbox");
        QTest::newRow("bus name stands in for a missing desktop entry")
            << QList<MprisPlayer>{player("mpv"),
                                  player("rhythmbox.instance42", "Stopped", true, "")}
            << QStringLiteral("rhythmbox.instance42");
        QTest::newRow("one that accepts control before the music application's own")
            << QList<MprisPlayer>{player("rhythmbox", "Playing", false), player("mpv", "Stopped")}
            << QStringLiteral("mpv");
        QTest::newRow("none accepts control")
            << QList<MprisPlayer>{player("mpv", "Playing", false)} << QString();
    }

    void choose()
    {
        QFETCH(QList<MprisPlayer>, players);
        QFETCH(QString, expected);
        const std::optional<MprisPlayer> chosen =
            MprisPlayerChoice::forPlayback(players, QStringLiteral("rhythmbox.desktop"));
        QCOMPARE(chosen ? chosen->service.mid(MprisBus::servicePrefix().size()) : QString(),
                 expected);
    }

    void openMusic_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<std::optional<QString>>("launchError");
        QTest::addColumn<QString>("expected");

        QTest::newRow("opened") << true << std::optional<QString>()
                                << QStringLiteral("Opened Music.");
        QTest::newRow("launch failed")
            << true << std::optional<QString>(QStringLiteral("No such file or directory"))
            << QStringLiteral("Could not open Music: No such file or directory");
        QTest::newRow("not installed")
            << false << std::optional<QString>() << QStringLiteral("Music app was not found.");
    }

    void openMusic()
    {
        QFETCH(bool, installed);
        QFETCH(std::optional<QString>, launchError);
        QFETCH(QString, expected);
        if (!installed)
            m_catalog->byRole.clear();
        m_workspace->openApplicationError = launchError;

        QCOMPARE(QCoro::waitFor(m_automation->openMusic()).summary, expected);
        QCOMPARE(m_workspace->openedApplications,
                 installed ? QList<QUrl>{rhythmboxEntry} : QList<QUrl>{});
    }

    void stopMusic_data()
    {
        QTest::addColumn<QList<MprisPlayer>>("players");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("ignored");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("calls");

        const QList<MprisPlayer> one{player("mpv", "Paused"), player("rhythmbox", "Playing")};
        QTest::newRow("pauses every one playing")
            << QList<MprisPlayer>{player("mpv", "Playing"), player("rhythmbox", "Playing")}
            << QString() << false << QStringLiteral("Stopped Music.")
            << QStringList{QStringLiteral("mpv Pause"), QStringLiteral("rhythmbox Pause")};
        QTest::newRow("nothing plays: said so, nothing paused")
            << QList<MprisPlayer>{player("vlc", "Paused")} << QString() << false
            << QStringLiteral("Nothing is playing in vlc.") << QStringList{};
        QTest::newRow("no player")
            << QList<MprisPlayer>{} << QString() << false
            << QStringLiteral("Could not stop Music: No music player is running.") << QStringList{};
        QTest::newRow("player refuses control")
            << QList<MprisPlayer>{player("mpv", "Playing", false)} << QString() << false
            << QStringLiteral("Could not stop Music: The music player mpv does not accept remote "
                              "control.")
            << QStringList{};
        QTest::newRow("the player's error")
            << one << QStringLiteral("Cannot pause a live stream") << false
            << QStringLiteral("Could not stop Music: Cannot pause a live stream")
            << QStringList{QStringLiteral("rhythmbox Pause")};
        QTest::newRow("the player ignores it")
            << one << QString() << true
            << QStringLiteral("Could not stop Music: rhythmbox is still playing.")
            << QStringList{QStringLiteral("rhythmbox Pause")};
    }

    void stopMusic()
    {
        QFETCH(QList<MprisPlayer>, players);
        QFETCH(QString, failure);
        QFETCH(bool, ignored);
        QFETCH(QString, expected);
        QFETCH(QStringList, calls);
        m_bus->present = players;
        if (!failure.isNull())
            m_bus->failures.insert(QStringLiteral("Pause"), failure);
        if (ignored)
            m_bus->ignored.insert(QStringLiteral("Pause"));

        QCOMPARE(QCoro::waitFor(m_automation->stopMusic()).summary, expected);
        QCOMPARE(m_bus->methods(), calls);
        // Stopping never launches anything.
        QCOMPARE(m_workspace->openedApplications, QList<QUrl>{});
    }

    void resumeMusic_data()
    {
        QTest::addColumn<QList<MprisPlayer>>("players");
        QTest::addColumn<QList<MprisPlayer>>("launched");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("calls");

        const QList<MprisPlayer> none;
        QTest::newRow("a running player, not the music application's: no launch")
            << QList<MprisPlayer>{player("vlc", "Paused")} << none << QString()
            << QStringLiteral("Resumed Music.") << QStringList{QStringLiteral("vlc Play")};
        QTest::newRow("already playing: said so")
            << QList<MprisPlayer>{player("mpv", "Playing")} << none << QString()
            << QStringLiteral("Music is already playing in mpv.") << QStringList{};
        QTest::newRow("launched, it resumes")
            << none << QList<MprisPlayer>{player("rhythmbox", "Paused")} << QString()
            << QStringLiteral("Resumed Music.") << QStringList{QStringLiteral("rhythmbox Play")};
        QTest::newRow("nothing appears before the deadline")
            << none << none << QString()
            << QStringLiteral("Could not resume Music: No music player is running.")
            << QStringList{};
        QTest::newRow("play refused") << QList<MprisPlayer>{player("rhythmbox", "Paused")} << none
                                      << QStringLiteral("Nothing to play")
                                      << QStringLiteral("Could not resume Music: Nothing to play")
                                      << QStringList{QStringLiteral("rhythmbox Play")};
    }

    void resumeMusic()
    {
        QFETCH(QList<MprisPlayer>, players);
        QFETCH(QList<MprisPlayer>, launched);
        QFETCH(QString, failure);
        QFETCH(QString, expected);
        QFETCH(QStringList, calls);
        m_bus->present = players;
        m_bus->arriving = launched;
        m_bus->arrivesAfter = 2;
        if (!failure.isEmpty())
            m_bus->failures.insert(QStringLiteral("Play"), failure);

        QCOMPARE(QCoro::waitFor(m_automation->resumeMusic()).summary, expected);
        QCOMPARE(m_bus->methods(), calls);
        // Only when no player runs is the music application launched.
        QCOMPARE(m_workspace->openedApplications,
                 players.isEmpty() ? QList<QUrl>{rhythmboxEntry} : QList<QUrl>{});
    }

    void resumeSaysWhyTheLaunchFailed()
    {
        m_workspace->openApplicationError = QStringLiteral("broken entry");
        QCOMPARE(QCoro::waitFor(m_automation->resumeMusic()).summary,
                 QStringLiteral("Could not resume Music: Could not open Music: broken entry"));
    }

    void playMusic_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<MusicScope>("scope");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("openedFile");

        QTest::newRow("library") << QStringLiteral("miles") << MusicScope::library()
                                 << QStringLiteral("Playing miles in Music (So What).")
                                 << musicFile("a.wav");
        QTest::newRow("playlists; untagged file plays under its base name")
            << QStringLiteral("C D") << MusicScope::playlists()
            << QStringLiteral("Playing C D from your playlists (c d).") << musicFile("c d.wav");
        QTest::newRow("named playlist")
            << QStringLiteral("quote") << MusicScope::playlist(QStringLiteral("road"))
            << QStringLiteral("Playing quote from road (12\" Single).") << musicFile("b.wav");
        QTest::newRow("library: nothing found")
            << QStringLiteral("jazz") << MusicScope::library()
            << QStringLiteral("Could not find jazz: No library results for jazz") << QString();
        QTest::newRow("named playlist without a match")
            << QStringLiteral("miles") << MusicScope::playlist(QStringLiteral("trip"))
            << QStringLiteral("Could not find in trip: miles: No results for miles in Road Trip")
            << QString();
    }

    void playMusic()
    {
        QFETCH(QString, query);
        QFETCH(MusicScope, scope);
        QFETCH(QString, expected);
        QFETCH(QString, openedFile);
        m_bus->present = {player("rhythmbox", "Paused")};

        QCOMPARE(QCoro::waitFor(m_automation->playMusic(query, scope)).summary, expected);
        // A player runs: nothing is launched, found or not.
        QCOMPARE(m_workspace->openedApplications, QList<QUrl>{});
        if (openedFile.isEmpty()) {
            QCOMPARE(m_bus->calls.size(), 0);
            return;
        }
        QCOMPARE(m_bus->methods(), (QStringList{QStringLiteral("rhythmbox OpenUri"),
                                                QStringLiteral("rhythmbox Play")}));
        const QUrl opened(m_bus->calls.constFirst().arguments.value(0).toString());
        QCOMPARE(opened, QUrl::fromLocalFile(openedFile));
    }

    void playGoesToThePlayerHeard_data()
    {
        QTest::addColumn<QList<MprisPlayer>>("players");
        QTest::addColumn<QList<MprisPlayer>>("launched");
        QTest::addColumn<QString>("ignored");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("calls");

        const QString playing = QStringLiteral("Playing miles in Music (So What).");
        QTest::newRow("the one playing, not the music application's")
            << QList<MprisPlayer>{player("rhythmbox", "Paused"), player("vlc", "Playing")}
            << QList<MprisPlayer>{} << QString() << playing
            << QStringList{QStringLiteral("vlc OpenUri")};
        QTest::newRow("none runs: the music application is launched")
            << QList<MprisPlayer>{} << QList<MprisPlayer>{player("rhythmbox")} << QString()
            << playing
            << QStringList{QStringLiteral("rhythmbox OpenUri"), QStringLiteral("rhythmbox Play")};
        QTest::newRow("the player does not start it: said so")
            << QList<MprisPlayer>{player("rhythmbox", "Paused")} << QList<MprisPlayer>{}
            << QStringLiteral("Play")
            << QStringLiteral("Found So What for miles, but rhythmbox did not start playing it.")
            << QStringList{QStringLiteral("rhythmbox OpenUri"), QStringLiteral("rhythmbox Play")};
        QTest::newRow("the player does not load it: said so")
            << QList<MprisPlayer>{player("rhythmbox", "Playing")} << QList<MprisPlayer>{}
            << QStringLiteral("OpenUri")
            << QStringLiteral("Found So What for miles, but rhythmbox did not start playing it.")
            << QStringList{QStringLiteral("rhythmbox OpenUri")};
    }

    void playGoesToThePlayerHeard()
    {
        QFETCH(QList<MprisPlayer>, players);
        QFETCH(QList<MprisPlayer>, launched);
        QFETCH(QString, ignored);
        QFETCH(QString, expected);
        QFETCH(QStringList, calls);
        m_bus->present = players;
        m_bus->arriving = launched;
        m_bus->arrivesAfter = 2;
        if (!ignored.isEmpty())
            m_bus->ignored.insert(ignored);

        QCOMPARE(
            QCoro::waitFor(m_automation->playMusic(QStringLiteral("miles"), MusicScope::library()))
                .summary,
            expected);
        QCOMPARE(m_bus->methods(), calls);
        QCOMPARE(m_workspace->openedApplications,
                 players.isEmpty() ? QList<QUrl>{rhythmboxEntry} : QList<QUrl>{});
    }

    void playFallsBackWhenThePlayerCannotOpenUris_data()
    {
        QTest::addColumn<bool>("hasTrackList");
        QTest::addColumn<bool>("trackListFails");
        QTest::addColumn<bool>("workspaceOpens");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("workspaceOpened");

        const QString playing = QStringLiteral("Playing miles in Music (So What).");
        const QString handedOver = QStringLiteral(
            "Opened So What with the desktop's audio player; Korvane cannot tell whether it "
            "plays.");
        QTest::newRow("track list")
            << true << false << true << playing
            << QStringList{QStringLiteral("rhythmbox OpenUri"),
                           QStringLiteral("rhythmbox AddTrack"), QStringLiteral("rhythmbox Play")}
            << 0;
        QTest::newRow("no track list: the file's default handler")
            << false << false << true << handedOver
            << QStringList{QStringLiteral("rhythmbox OpenUri")} << 1;
        QTest::newRow("track list fails too: the file's default handler")
            << true << true << true << handedOver
            << QStringList{QStringLiteral("rhythmbox OpenUri"),
                           QStringLiteral("rhythmbox AddTrack")}
            << 1;
        QTest::newRow("nothing opens it: the player's own error")
            << false << false << false
            << QStringLiteral("Could not find miles: URI scheme not supported")
            << QStringList{QStringLiteral("rhythmbox OpenUri")} << 1;
    }

    void playFallsBackWhenThePlayerCannotOpenUris()
    {
        QFETCH(bool, hasTrackList);
        QFETCH(bool, trackListFails);
        QFETCH(bool, workspaceOpens);
        QFETCH(QString, expected);
        QFETCH(QStringList, calls);
        QFETCH(int, workspaceOpened);
        MprisPlayer rhythmbox = player("rhythmbox", "Paused");
        rhythmbox.hasTrackList = hasTrackList;
        m_bus->present = {rhythmbox};
        m_bus->failures.insert(QStringLiteral("OpenUri"),
                               QStringLiteral("URI scheme not supported"));
        if (trackListFails)
            m_bus->failures.insert(QStringLiteral("AddTrack"), QString());
        m_workspace->openSucceeds = workspaceOpens;

        QCOMPARE(
            QCoro::waitFor(m_automation->playMusic(QStringLiteral("miles"), MusicScope::library()))
                .summary,
            expected);
        QCOMPARE(m_bus->methods(), calls);
        QCOMPARE(m_workspace->openedUrls.size(), workspaceOpened);
        if (workspaceOpened)
            QCOMPARE(m_workspace->openedUrls.constFirst(), QUrl::fromLocalFile(musicFile("a.wav")));
        if (hasTrackList) {
            const QVariantList arguments = m_bus->calls.at(1).arguments;
            QCOMPARE(arguments.value(1).value<QDBusObjectPath>().path(),
                     QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
            QCOMPARE(arguments.value(2).toBool(), true);
        }
    }

    void playWithoutAnyPlayer_data()
    {
        QTest::addColumn<bool>("workspaceOpens");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the file's default handler takes it")
            << true
            << QStringLiteral("Opened So What with the desktop's audio player; Korvane cannot "
                              "tell whether it plays.");
        QTest::newRow("nothing can play it")
            << false << QStringLiteral("Could not find miles: Music app was not found.");
    }

    void playWithoutAnyPlayer()
    {
        QFETCH(bool, workspaceOpens);
        QFETCH(QString, expected);
        m_catalog->byRole.clear();
        m_workspace->openSucceeds = workspaceOpens;
        QCOMPARE(
            QCoro::waitFor(m_automation->playMusic(QStringLiteral("miles"), MusicScope::library()))
                .summary,
            expected);
        QCOMPARE(m_workspace->openedUrls, QList<QUrl>{QUrl::fromLocalFile(musicFile("a.wav"))});
    }

    void operationOutlivesTheAutomation()
    {
        m_bus->arriving = {player("rhythmbox", "Paused")};
        m_bus->arrivesAfter = 2;
        QCoro::Task<ComputerUseResult> resuming = m_automation->resumeMusic();
        m_automation.reset();
        QCOMPARE(QCoro::waitFor(std::move(resuming)).summary, QStringLiteral("Resumed Music."));
    }
};

QTEST_GUILESS_MAIN(TestMprisMusicAutomation)
#include "tst_mprismusicautomation.moc"
