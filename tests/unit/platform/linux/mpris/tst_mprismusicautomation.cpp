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
#include <QTemporaryDir>
#include <QTest>
#include <qcoro/qcorotask.h>

#include <functional>

using namespace korvane;
using namespace std::chrono_literals;
using korvane::test::FakeApplicationCatalog;
using korvane::test::FakeWorkspace;
using korvane::test::TaggedAudioFiles;

using Request = std::function<QCoro::Task<ComputerUseResult>(MprisMusicAutomation&)>;
Q_DECLARE_METATYPE(Request)

namespace {

// Players that change as real ones do: Pause pauses a playing one, Play plays a loaded track,
// OpenUri and AddTrack load one. A method may fail with a message, or be ignored.
class FakeMprisBus final : public MprisBus {
public:
    QList<MprisPlayer> present{};
    // Players that join after two more queries (a launched player).
    QList<MprisPlayer> arriving{};
    int arrivesAfter = 2;
    QHash<QString, QString> failures{};
    QString ignored{};
    // "<player> <method> <file name of the first argument>", and the arguments.
    QStringList calls{};
    QList<QVariantList> arguments{};

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

    QCoro::Task<std::optional<QString>> call(QString service, QString, QString method,
                                             QVariantList arguments) override
    {
        const QString file = QUrl(arguments.value(0).toString()).fileName();
        const QString call = service.mid(servicePrefix().size()) + u' ' + method + u' ' + file;
        calls.append(call.trimmed());
        this->arguments.append(arguments);
        if (const auto failure = failures.constFind(method); failure != failures.cend())
            co_return *failure;
        MprisPlayer* target = find(service);
        if (method == ignored || !target)
            co_return std::nullopt;
        if (method == u"Pause" && target->isPlaying())
            target->playbackStatus = u"Paused"_qs;
        else if (method == u"Play" && !target->trackUrl.isEmpty())
            target->playbackStatus = u"Playing"_qs;
        else if (method == u"OpenUri" || method == u"AddTrack")
            target->trackUrl = arguments.value(0).toString();
        co_return std::nullopt;
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
        listed.trackUrl = u"file:///music/earlier.wav"_qs;
    return listed;
}

const QUrl rhythmboxEntry = QUrl::fromLocalFile(u"/apps/rhythmbox.desktop"_qs);
const QString handedOver =
    u"Opened So What with the desktop's audio player; Korvane cannot tell whether it plays."_qs;

} // namespace

// The music operations over fake players, for the answers real players do not give on demand
// (errors, ignored commands, players that refuse control); a fake desktop and a small real
// library.
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
        QVERIFY(TaggedAudioFiles::writeTagged(musicFile("a.wav"), u"So What"_qs, u"Miles Davis"_qs,
                                              u"Kind of Blue"_qs));
        QVERIFY(TaggedAudioFiles::writeSilence(musicFile("c d.wav")));
        QFile playlist(musicFile("Road Trip.m3u"));
        QVERIFY(playlist.open(QIODevice::WriteOnly));
        playlist.write("#EXTM3U\nc d.wav\n");
    }

    void init()
    {
        m_workspace = std::make_shared<FakeWorkspace>();
        m_catalog = std::make_shared<FakeApplicationCatalog>();
        m_catalog->byRole.insert(u"music player"_qs, {u"Rhythmbox"_qs, rhythmboxEntry});
        m_catalog->identifiers.insert(rhythmboxEntry, u"rhythmbox.desktop"_qs);
        m_bus = std::make_shared<FakeMprisBus>();
        m_automation = std::make_unique<MprisMusicAutomation>(
            m_workspace, m_catalog, std::make_shared<MusicLibrary>(m_music.path()), m_bus,
            MprisPlayerWait{1000ms, 10ms, 200ms});
    }

    void choose_data()
    {
        QTest::addColumn<QList<MprisPlayer>>("players");
        QTest::addColumn<QString>("expected");

        QTest::newRow("among alike, the music application's own")
            << QList<MprisPlayer>{player("mpv", "Paused"), player("rhythmbox", "Paused")}
            << u"rhythmbox"_qs;
        QTest::newRow("bus name stands in for a missing desktop entry")
            << QList<MprisPlayer>{player("mpv"),
                                  player("rhythmbox.instance42", "Stopped", true, "")}
            << u"rhythmbox.instance42"_qs;
        QTest::newRow("one that accepts control before the music application's own")
            << QList<MprisPlayer>{player("rhythmbox", "Playing", false), player("mpv")}
            << u"mpv"_qs;
        QTest::newRow("none accepts control")
            << QList<MprisPlayer>{player("mpv", "Playing", false)} << QString();
    }

    void choose()
    {
        QFETCH(QList<MprisPlayer>, players);
        QFETCH(QString, expected);
        const std::optional<MprisPlayer> chosen =
            MprisPlayerChoice::forPlayback(players, u"rhythmbox.desktop"_qs);
        QCOMPARE(chosen ? chosen->service.mid(MprisBus::servicePrefix().size()) : QString(),
                 expected);
    }

    void requests_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<QList<MprisPlayer>>("players");
        QTest::addColumn<QList<MprisPlayer>>("launched");
        // "Method: message" for a method that fails, "Method" for one that is ignored.
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<bool>("launches");

        const Request stop = [](MprisMusicAutomation& music) { return music.stopMusic(); };
        const Request resume = [](MprisMusicAutomation& music) { return music.resumeMusic(); };
        const auto play = [](QString query, MusicScope scope) -> Request {
            return [=](MprisMusicAutomation& music) { return music.playMusic(query, scope); };
        };
        const Request playMiles = play(u"miles"_qs, MusicScope::library());
        const QList<MprisPlayer> none;
        const QList<MprisPlayer> rhythmboxPaused{player("rhythmbox", "Paused")};
        const QList<MprisPlayer> rhythmboxPlaying{player("mpv", "Paused"),
                                                  player("rhythmbox", "Playing")};

        QTest::newRow("open") << Request([](MprisMusicAutomation& music) {
            return music.openMusic();
        }) << none << none << QString()
                              << u"Opened Music."_qs << QStringList{} << true;
        QTest::newRow("stop: pauses every one playing")
            << stop << QList<MprisPlayer>{player("mpv", "Playing"), player("rhythmbox", "Playing")}
            << none << QString() << u"Stopped Music."_qs
            << QStringList{u"mpv Pause"_qs, u"rhythmbox Pause"_qs} << false;
        QTest::newRow("stop: no player")
            << stop << none << none << QString()
            << u"Could not stop Music: No music player is running."_qs << QStringList{} << false;
        QTest::newRow("stop: player refuses control")
            << stop << QList<MprisPlayer>{player("mpv", "Playing", false)} << none << QString()
            << u"Could not stop Music: The music player mpv does not accept remote control."_qs
            << QStringList{} << false;
        QTest::newRow("stop: the player's error")
            << stop << rhythmboxPlaying << none << u"Pause: Cannot pause a live stream"_qs
            << u"Could not stop Music: Cannot pause a live stream"_qs
            << QStringList{u"rhythmbox Pause"_qs} << false;
        QTest::newRow("stop: the player ignores it")
            << stop << rhythmboxPlaying << none << u"Pause"_qs
            << u"Could not stop Music: rhythmbox is still playing."_qs
            << QStringList{u"rhythmbox Pause"_qs} << false;
        QTest::newRow("resume: already playing")
            << resume << QList<MprisPlayer>{player("mpv", "Playing")} << none << QString()
            << u"Music is already playing in mpv."_qs << QStringList{} << false;
        QTest::newRow("resume: nothing appears before the deadline")
            << resume << none << none << QString()
            << u"Could not resume Music: No music player is running."_qs << QStringList{} << true;
        QTest::newRow("resume: play refused")
            << resume << rhythmboxPaused << none << u"Play: Nothing to play"_qs
            << u"Could not resume Music: Nothing to play"_qs << QStringList{u"rhythmbox Play"_qs}
            << false;
        QTest::newRow("play: a playlist's untagged file plays under its base name")
            << play(u"C D"_qs, MusicScope::playlists()) << rhythmboxPaused << none << QString()
            << u"Playing C D from your playlists (c d)."_qs
            << QStringList{u"rhythmbox OpenUri c d.wav"_qs, u"rhythmbox Play"_qs} << false;
        QTest::newRow("play: nothing found")
            << play(u"jazz"_qs, MusicScope::library()) << rhythmboxPaused << none << QString()
            << u"Could not find jazz: No library results for jazz"_qs << QStringList{} << false;
        QTest::newRow("play: named playlist without a match")
            << play(u"miles"_qs, MusicScope::playlist(u"trip"_qs)) << rhythmboxPaused << none
            << QString() << u"Could not find in trip: miles: No results for miles in Road Trip"_qs
            << QStringList{} << false;
        QTest::newRow("play: the player does not start it")
            << playMiles << rhythmboxPaused << none << u"Play"_qs
            << u"Found So What for miles, but rhythmbox did not start playing it."_qs
            << QStringList{u"rhythmbox OpenUri a.wav"_qs, u"rhythmbox Play"_qs} << false;
        QTest::newRow("play: the player does not load it")
            << playMiles << QList<MprisPlayer>{player("rhythmbox", "Playing")} << none
            << u"OpenUri"_qs
            << u"Found So What for miles, but rhythmbox did not start playing it."_qs
            << QStringList{u"rhythmbox OpenUri a.wav"_qs} << false;
    }

    void requests()
    {
        QFETCH(Request, request);
        QFETCH(QList<MprisPlayer>, players);
        QFETCH(QList<MprisPlayer>, launched);
        QFETCH(QString, refusal);
        QFETCH(QString, expected);
        QFETCH(QStringList, calls);
        QFETCH(bool, launches);
        m_bus->present = players;
        m_bus->arriving = launched;
        if (refusal.contains(u':'))
            m_bus->failures.insert(refusal.section(u": "_qs, 0, 0), refusal.section(u": "_qs, 1));
        else
            m_bus->ignored = refusal;

        QCOMPARE(QCoro::waitFor(request(*m_automation)).summary, expected);
        QCOMPARE(m_bus->calls, calls);
        QCOMPARE(m_workspace->openedApplications,
                 launches ? QList<QUrl>{rhythmboxEntry} : QList<QUrl>{});
    }

    void resumeSaysWhyTheLaunchFailed()
    {
        m_workspace->openApplicationError = u"broken entry"_qs;
        QCOMPARE(QCoro::waitFor(m_automation->resumeMusic()).summary,
                 u"Could not resume Music: Could not open Music: broken entry"_qs);
    }

    // A player that cannot open addresses gets the file on its track list, else the desktop's
    // handler for the file takes it, as it does when no player runs and none is installed.
    void playFallsBack_data()
    {
        QTest::addColumn<QList<MprisPlayer>>("players");
        QTest::addColumn<bool>("trackListFails");
        QTest::addColumn<bool>("workspaceOpens");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("calls");

        MprisPlayer withTrackList = player("rhythmbox", "Paused");
        withTrackList.hasTrackList = true;
        const QList<MprisPlayer> without{player("rhythmbox", "Paused")};
        const QString openUri = u"rhythmbox OpenUri a.wav"_qs;
        const QString addTrack = u"rhythmbox AddTrack a.wav"_qs;
        QTest::newRow("track list") << QList<MprisPlayer>{withTrackList} << false << true
                                    << u"Playing miles in Music (So What)."_qs
                                    << QStringList{openUri, addTrack, u"rhythmbox Play"_qs};
        QTest::newRow("no track list: the file's default handler")
            << without << false << true << handedOver << QStringList{openUri};
        QTest::newRow("track list fails too: the file's default handler")
            << QList<MprisPlayer>{withTrackList} << true << true << handedOver
            << QStringList{openUri, addTrack};
        QTest::newRow("nothing opens it: the player's own error")
            << without << false << false << u"Could not find miles: URI scheme not supported"_qs
            << QStringList{openUri};
        QTest::newRow("no player: the file's default handler")
            << QList<MprisPlayer>{} << false << true << handedOver << QStringList{};
        QTest::newRow("no player, nothing can play it")
            << QList<MprisPlayer>{} << false << false
            << u"Could not find miles: Music app was not found."_qs << QStringList{};
    }

    void playFallsBack()
    {
        QFETCH(QList<MprisPlayer>, players);
        QFETCH(bool, trackListFails);
        QFETCH(bool, workspaceOpens);
        QFETCH(QString, expected);
        QFETCH(QStringList, calls);
        m_bus->present = players;
        if (players.isEmpty())
            m_catalog->byRole.clear();
        m_bus->failures.insert(u"OpenUri"_qs, u"URI scheme not supported"_qs);
        if (trackListFails)
            m_bus->failures.insert(u"AddTrack"_qs, QString());
        m_workspace->openSucceeds = workspaceOpens;

        QCOMPARE(
            QCoro::waitFor(m_automation->playMusic(u"miles"_qs, MusicScope::library())).summary,
            expected);
        QCOMPARE(m_bus->calls, calls);
        const bool handedToTheDesktop = calls.size() < 3;
        QCOMPARE(m_workspace->openedUrls, handedToTheDesktop
                                              ? QList<QUrl>{QUrl::fromLocalFile(musicFile("a.wav"))}
                                              : QList<QUrl>{});
        if (calls.size() > 1) {
            // Appended at the start of the list, and made current.
            const QVariantList arguments = m_bus->arguments.at(1);
            QCOMPARE(arguments.value(1).value<QDBusObjectPath>().path(),
                     u"/org/mpris/MediaPlayer2/TrackList/NoTrack"_qs);
            QCOMPARE(arguments.value(2).toBool(), true);
        }
    }

    void operationOutlivesTheAutomation()
    {
        m_bus->arriving = {player("rhythmbox", "Paused")};
        QCoro::Task<ComputerUseResult> resuming = m_automation->resumeMusic();
        m_automation.reset();
        QCOMPARE(QCoro::waitFor(std::move(resuming)).summary, u"Resumed Music."_qs);
    }
};

QTEST_GUILESS_MAIN(TestMprisMusicAutomation)
#include "tst_mprismusicautomation.moc"
