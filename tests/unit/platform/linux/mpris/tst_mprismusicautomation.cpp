// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaggedAudioFiles.h"
#include "fakes/FakeApplicationCatalog.h"
#include "fakes/FakeWorkspace.h"
#include "platform/linux/mpris/MprisBus.h"
#include "platform/linux/mpris/MprisMusicAutomation.h"
#include "platform/linux/mpris/MusicLibrary.h"

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
    // "<player> <method> <file name of the first argument>".
    QStringList calls{};

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

    QCoro::Task<Outcome> call(QString service, QString, QString method,
                              QVariantList arguments) override
    {
        const QString file = QUrl(arguments.value(0).toString()).fileName();
        const QString call = service.mid(servicePrefix().size()) + u' ' + method + u' ' + file;
        calls.append(call.trimmed());
        if (const auto failure = failures.constFind(method); failure != failures.cend())
            co_return Outcome::failure(*failure);
        MprisPlayer* target = find(service);
        if (method == ignored || !target)
            co_return Outcome::success();
        if (method == u"Pause" && target->isPlaying())
            target->playbackStatus = u"Paused"_qs;
        else if (method == u"Play" && !target->trackUrl.isEmpty())
            target->playbackStatus = u"Playing"_qs;
        else if (method == u"OpenUri" || method == u"AddTrack")
            target->trackUrl = arguments.value(0).toString();
        co_return Outcome::success();
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

} // namespace

// The music operations over fake players, for the answers real players do not give on demand
// (errors, ignored commands, players that refuse control); a fake desktop and a small real
// library.
class TestMprisMusicAutomation : public QObject {
    Q_OBJECT

    QTemporaryDir m_music;
    std::shared_ptr<FakeWorkspace> m_workspace;
    std::shared_ptr<FakeMprisBus> m_bus;
    std::unique_ptr<MprisMusicAutomation> m_automation;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(TaggedAudioFiles::writeTagged(m_music.filePath(u"a.wav"_qs), u"So What"_qs,
                                              u"Miles Davis"_qs, u"Kind of Blue"_qs));
    }

    void init()
    {
        m_workspace = std::make_shared<FakeWorkspace>();
        auto catalog = std::make_shared<FakeApplicationCatalog>();
        catalog->byRole.insert(
            u"music player"_qs,
            {u"Rhythmbox"_qs, QUrl::fromLocalFile(u"/apps/rhythmbox.desktop"_qs)});
        m_bus = std::make_shared<FakeMprisBus>();
        m_automation = std::make_unique<MprisMusicAutomation>(
            m_workspace, catalog, std::make_shared<MusicLibrary>(m_music.path()), m_bus,
            MprisPlayerWait{1000ms, 10ms, 200ms});
    }

    void requests_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<QList<MprisPlayer>>("players");
        // "Method: message" for a method that fails, "Method" for one that is ignored;
        // "desktop: message" when the desktop opens neither applications nor files.
        QTest::addColumn<QStringList>("refusals");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("calls");
        // File names of the applications and files the desktop was asked to open.
        QTest::addColumn<QStringList>("opened");

        const Request stop = [](MprisMusicAutomation& music) { return music.stopMusic(); };
        const Request resume = [](MprisMusicAutomation& music) { return music.resumeMusic(); };
        const auto play = [](QString query) -> Request {
            return [=](MprisMusicAutomation& music) {
                return music.playMusic(query, MusicScope::library());
            };
        };
        const Request playMiles = play(u"miles"_qs);
        const QList<MprisPlayer> none;
        const QList<MprisPlayer> rhythmboxPaused{player("rhythmbox", "Paused")};
        const QList<MprisPlayer> rhythmboxPlaying{player("mpv", "Paused"),
                                                  player("rhythmbox", "Playing")};
        MprisPlayer withTrackList = player("rhythmbox", "Paused");
        withTrackList.hasTrackList = true;
        const QString openUri = u"rhythmbox OpenUri a.wav"_qs;
        const QString addTrack = u"rhythmbox AddTrack a.wav"_qs;
        const QString unsupported = u"OpenUri: URI scheme not supported"_qs;
        const QString desktopRefuses = u"desktop: broken entry"_qs;
        const QString handedOver = u"Opened So What with the desktop's audio player; Korvane "
                                   u"cannot tell whether it plays."_qs;

        QTest::newRow("stop: pauses every one playing")
            << stop << QList<MprisPlayer>{player("mpv", "Playing"), player("rhythmbox", "Playing")}
            << QStringList{} << u"Stopped Music."_qs
            << QStringList{u"mpv Pause"_qs, u"rhythmbox Pause"_qs} << QStringList{};
        QTest::newRow("stop: player refuses control")
            << stop << QList<MprisPlayer>{player("mpv", "Playing", false)} << QStringList{}
            << u"Could not stop Music: The music player mpv does not accept remote control."_qs
            << QStringList{} << QStringList{};
        QTest::newRow("stop: the player's error")
            << stop << rhythmboxPlaying << QStringList{u"Pause: Cannot pause a live stream"_qs}
            << u"Could not stop Music: Cannot pause a live stream"_qs
            << QStringList{u"rhythmbox Pause"_qs} << QStringList{};
        QTest::newRow("stop: the player ignores it")
            << stop << rhythmboxPlaying << QStringList{u"Pause"_qs}
            << u"Could not stop Music: rhythmbox is still playing."_qs
            << QStringList{u"rhythmbox Pause"_qs} << QStringList{};
        QTest::newRow("resume: the music application does not open")
            << resume << none << QStringList{desktopRefuses}
            << u"Could not resume Music: Could not open Music: broken entry"_qs << QStringList{}
            << QStringList{u"rhythmbox.desktop"_qs};
        QTest::newRow("resume: among paused players, the music application's")
            << resume << QList<MprisPlayer>{player("mpv", "Paused"), player("rhythmbox", "Paused")}
            << QStringList{} << u"Resumed Music."_qs << QStringList{u"rhythmbox Play"_qs}
            << QStringList{};
        QTest::newRow("resume: the bus name stands in for a missing desktop entry")
            << resume
            << QList<MprisPlayer>{player("mpv", "Paused"),
                                  player("rhythmbox.instance42", "Paused", true, "")}
            << QStringList{} << u"Resumed Music."_qs << QStringList{u"rhythmbox.instance42 Play"_qs}
            << QStringList{};
        QTest::newRow("resume: one that accepts control before the music application's")
            << resume
            << QList<MprisPlayer>{player("rhythmbox", "Paused", false), player("mpv", "Paused")}
            << QStringList{} << u"Resumed Music."_qs << QStringList{u"mpv Play"_qs}
            << QStringList{};
        QTest::newRow("resume: play refused")
            << resume << rhythmboxPaused << QStringList{u"Play: Nothing to play"_qs}
            << u"Could not resume Music: Nothing to play"_qs << QStringList{u"rhythmbox Play"_qs}
            << QStringList{};
        QTest::newRow("play: nothing found")
            << play(u"jazz"_qs) << rhythmboxPaused << QStringList{}
            << u"Could not find jazz: No library results for jazz"_qs << QStringList{}
            << QStringList{};
        QTest::newRow("play: the player does not start it")
            << playMiles << rhythmboxPaused << QStringList{u"Play"_qs}
            << u"Found So What for miles, but rhythmbox did not start playing it."_qs
            << QStringList{openUri, u"rhythmbox Play"_qs} << QStringList{};
        QTest::newRow("play: the player does not load it")
            << playMiles << QList<MprisPlayer>{player("rhythmbox", "Playing")}
            << QStringList{u"OpenUri"_qs}
            << u"Found So What for miles, but rhythmbox did not start playing it."_qs
            << QStringList{openUri} << QStringList{};
        // A player that cannot open addresses gets the file on its track list, else the
        // desktop's handler for the file takes it.
        QTest::newRow("play: on the track list")
            << playMiles << QList<MprisPlayer>{withTrackList} << QStringList{unsupported}
            << u"Playing miles in Music (So What)."_qs
            << QStringList{openUri, addTrack, u"rhythmbox Play"_qs} << QStringList{};
        QTest::newRow("play: the track list fails too, the file's default handler")
            << playMiles << QList<MprisPlayer>{withTrackList}
            << QStringList{unsupported, u"AddTrack: "_qs} << handedOver
            << QStringList{openUri, addTrack} << QStringList{u"a.wav"_qs};
        QTest::newRow("play: nothing opens it, the player's own error")
            << playMiles << rhythmboxPaused << QStringList{unsupported, desktopRefuses}
            << u"Could not find miles: URI scheme not supported"_qs << QStringList{openUri}
            << QStringList{u"a.wav"_qs};
    }

    void requests()
    {
        QFETCH(Request, request);
        QFETCH(QList<MprisPlayer>, players);
        QFETCH(QStringList, refusals);
        QFETCH(QString, expected);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, opened);
        m_bus->present = players;
        for (const QString& refusal : refusals) {
            const QString method = refusal.section(u": "_qs, 0, 0);
            const QString message = refusal.section(u": "_qs, 1);
            if (method == u"desktop") {
                m_workspace->openApplicationError = message;
                m_workspace->openSucceeds = false;
            } else if (refusal.contains(u':')) {
                m_bus->failures.insert(method, message);
            } else {
                m_bus->ignored = method;
            }
        }

        QCOMPARE(QCoro::waitFor(request(*m_automation)).summary, expected);
        QCOMPARE(m_bus->calls, calls);
        QStringList desktopOpened;
        for (const QUrl& url : m_workspace->openedApplications + m_workspace->openedUrls)
            desktopOpened.append(url.fileName());
        QCOMPARE(desktopOpened, opened);
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
