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

using namespace korvane;
using namespace std::chrono_literals;
using korvane::test::FakeApplicationCatalog;
using korvane::test::FakeWorkspace;
using korvane::test::TaggedAudioFiles;

Q_DECLARE_METATYPE(korvane::MusicScope)

namespace {

// Players from a script, calls recorded, failures by method name.
class FakeMprisBus final : public MprisBus {
public:
    struct Call {
        QString service{};
        QString interface {
        };
        QString method{};
        QVariantList arguments{};
    };

    // One answer per query; the last one repeats.
    QList<QList<MprisPlayer>> answers{};
    QHash<QString, QString> failures{};
    QList<Call> calls{};
    int queries = 0;

    QCoro::Task<QList<MprisPlayer>> players() override
    {
        const qsizetype index = queries++;
        if (answers.isEmpty())
            co_return QList<MprisPlayer>{};
        co_return std::as_const(answers).at(std::min(index, answers.size() - 1));
    }

    QCoro::Task<std::optional<QString>> call(QString service, QString interface, QString method,
                                             QVariantList arguments) override
    {
        calls.append({service, interface, method, arguments});
        const auto failure = failures.constFind(method);
        if (failure == failures.cend())
            co_return std::nullopt;
        co_return *failure;
    }

    QStringList methods() const
    {
        QStringList list;
        for (const Call& call : calls)
            list.append(call.service.mid(servicePrefix().size()) + u' ' + call.method);
        return list;
    }
};

MprisPlayer player(const char* name, const char* status = "Stopped", bool canControl = true,
                   const char* desktopEntry = nullptr)
{
    const QString player = QString::fromLatin1(name);
    return {MprisBus::servicePrefix() + player,
            player,
            desktopEntry ? QString::fromLatin1(desktopEntry) : player,
            QString::fromLatin1(status),
            canControl,
            false};
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
        m_catalog->byBundleIdentifier.insert(QStringLiteral("com.apple.Music"),
                                             {QStringLiteral("Rhythmbox"), rhythmboxEntry});
        m_catalog->identifiers.insert(rhythmboxEntry, QStringLiteral("rhythmbox.desktop"));
        m_bus = std::make_shared<FakeMprisBus>();
        m_automation = std::make_unique<MprisMusicAutomation>(
            m_workspace, m_catalog, std::make_shared<MusicLibrary>(m_music.path()), m_bus,
            MprisPlayerWait{1000ms, 10ms});
    }

    void choose_data()
    {
        QTest::addColumn<QList<MprisPlayer>>("players");
        QTest::addColumn<QString>("expected");

        QTest::newRow("none") << QList<MprisPlayer>{} << QString();
        QTest::newRow("the music application's player first")
            << QList<MprisPlayer>{player("mpv", "Playing"), player("rhythmbox", "Paused")}
            << QStringLiteral("rhythmbox");
        QTest::newRow("desktop entry matched without letter case")
            << QList<MprisPlayer>{player("mpv"), player("rb", "Stopped", true, "Rhythmbox")}
            << QStringLiteral("rb");
        QTest::newRow("bus name stands in for a missing desktop entry")
            << QList<MprisPlayer>{player("mpv"),
                                  player("rhythmbox.instance42", "Stopped", true, "")}
            << QStringLiteral("rhythmbox.instance42");
        QTest::newRow("else the one playing")
            << QList<MprisPlayer>{player("audacious", "Paused"), player("mpv", "Playing")}
            << QStringLiteral("mpv");
        QTest::newRow("else the first")
            << QList<MprisPlayer>{player("audacious", "Paused"), player("mpv", "Stopped")}
            << QStringLiteral("audacious");
        QTest::newRow("one that accepts control before the music application's own")
            << QList<MprisPlayer>{player("rhythmbox", "Playing", false), player("mpv", "Stopped")}
            << QStringLiteral("mpv");
        QTest::newRow("none accepts control: the preferred one, to name it")
            << QList<MprisPlayer>{player("mpv", "Playing", false),
                                  player("rhythmbox", "Stopped", false)}
            << QStringLiteral("rhythmbox");
    }

    void choose()
    {
        QFETCH(QList<MprisPlayer>, players);
        QFETCH(QString, expected);
        const std::optional<MprisPlayer> chosen =
            MprisPlayerChoice::choose(players, QStringLiteral("rhythmbox.desktop"));
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
            m_catalog->byBundleIdentifier.clear();
        m_workspace->openApplicationError = launchError;

        QCOMPARE(QCoro::waitFor(m_automation->openMusic()).summary, expected);
        QCOMPARE(m_workspace->openedApplications,
                 installed ? QList<QUrl>{rhythmboxEntry} : QList<QUrl>{});
    }

    void stopMusic_data()
    {
        QTest::addColumn<QList<MprisPlayer>>("players");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("calls");

        const QList<MprisPlayer> two{player("mpv", "Playing"), player("rhythmbox", "Playing")};
        QTest::newRow("paused") << two << QString() << QStringLiteral("Stopped Music.")
                                << QStringList{QStringLiteral("rhythmbox Pause")};
        QTest::newRow("no player")
            << QList<MprisPlayer>{} << QString()
            << QStringLiteral("Could not stop Music: No music player is running.") << QStringList{};
        QTest::newRow("player refuses control")
            << QList<MprisPlayer>{player("mpv", "Playing", false)} << QString()
            << QStringLiteral("Could not stop Music: The music player mpv does not accept remote "
                              "control.")
            << QStringList{};
        QTest::newRow("the player's error")
            << two << QStringLiteral("Cannot pause a live stream")
            << QStringLiteral("Could not stop Music: Cannot pause a live stream")
            << QStringList{QStringLiteral("rhythmbox Pause")};
        QTest::newRow("an error without message")
            << two << QStringLiteral("")
            << QStringLiteral("Could not stop Music: Music automation failed.")
            << QStringList{QStringLiteral("rhythmbox Pause")};
    }

    void stopMusic()
    {
        QFETCH(QList<MprisPlayer>, players);
        QFETCH(QString, failure);
        QFETCH(QString, expected);
        QFETCH(QStringList, calls);
        m_bus->answers = {players};
        if (!failure.isNull())
            m_bus->failures.insert(QStringLiteral("Pause"), failure);

        QCOMPARE(QCoro::waitFor(m_automation->stopMusic()).summary, expected);
        QCOMPARE(m_bus->methods(), calls);
        // Stopping never launches anything.
        QCOMPARE(m_workspace->openedApplications, QList<QUrl>{});
    }

    void resumeWaitsForTheLaunchedPlayer()
    {
        // An unrelated player runs; the music application's own appears two queries later.
        const QList<MprisPlayer> before{player("mpv", "Paused")};
        m_bus->answers = {
            before, before, before, {player("mpv", "Paused"), player("rhythmbox", "Stopped")}};
        QCOMPARE(QCoro::waitFor(m_automation->resumeMusic()).summary,
                 QStringLiteral("Resumed Music."));
        QCOMPARE(m_workspace->openedApplications, QList<QUrl>{rhythmboxEntry});
        QCOMPARE(m_bus->methods(), QStringList{QStringLiteral("rhythmbox Play")});
    }

    void resumeGoesOnWhenLaunchingFailed()
    {
        m_workspace->openApplicationError = QStringLiteral("broken entry");
        m_bus->answers = {{player("mpv", "Paused")}};
        QCOMPARE(QCoro::waitFor(m_automation->resumeMusic()).summary,
                 QStringLiteral("Resumed Music."));
        QCOMPARE(m_bus->methods(), QStringList{QStringLiteral("mpv Play")});
    }

    void resumeFailures_data()
    {
        QTest::addColumn<QList<MprisPlayer>>("players");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing appears before the deadline")
            << QList<MprisPlayer>{}
            << QStringLiteral("Could not resume Music: No music player is running.");
        QTest::newRow("play refused") << QList<MprisPlayer>{player("rhythmbox", "Paused")}
                                      << QStringLiteral("Could not resume Music: Nothing to play");
    }

    void resumeFailures()
    {
        QFETCH(QList<MprisPlayer>, players);
        QFETCH(QString, expected);
        m_bus->answers = {players};
        m_bus->failures.insert(QStringLiteral("Play"), QStringLiteral("Nothing to play"));
        QCOMPARE(QCoro::waitFor(m_automation->resumeMusic()).summary, expected);
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
        QTest::newRow("double quote in the query")
            << QStringLiteral("12\" single") << MusicScope::library()
            << QStringLiteral("Playing 12\" single in Music (12\" Single).") << musicFile("b.wav");
        QTest::newRow("playlists; untagged file plays under its base name")
            << QStringLiteral("C D") << MusicScope::playlists()
            << QStringLiteral("Playing C D from your playlists (c d).") << musicFile("c d.wav");
        QTest::newRow("named playlist")
            << QStringLiteral("quote") << MusicScope::playlist(QStringLiteral("road"))
            << QStringLiteral("Playing quote from road (12\" Single).") << musicFile("b.wav");
        QTest::newRow("library: nothing found")
            << QStringLiteral("jazz") << MusicScope::library()
            << QStringLiteral("Could not find jazz: No library results for jazz") << QString();
        QTest::newRow("playlists: nothing found")
            << QStringLiteral("miles") << MusicScope::playlists()
            << QStringLiteral("Could not find in your playlists: miles: No playlist results for "
                              "miles")
            << QString();
        QTest::newRow("named playlist missing")
            << QStringLiteral("miles") << MusicScope::playlist(QStringLiteral("Gym"))
            << QStringLiteral("Could not find in Gym: miles: No playlist named Gym") << QString();
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
        m_bus->answers = {{player("rhythmbox", "Paused")}};

        QCOMPARE(QCoro::waitFor(m_automation->playMusic(query, scope)).summary, expected);
        // The music application is opened first, found or not.
        QCOMPARE(m_workspace->openedApplications, QList<QUrl>{rhythmboxEntry});
        if (openedFile.isEmpty()) {
            QCOMPARE(m_bus->calls.size(), 0);
            return;
        }
        QCOMPARE(m_bus->methods(), (QStringList{QStringLiteral("rhythmbox OpenUri"),
                                                QStringLiteral("rhythmbox Play")}));
        const QUrl opened(m_bus->calls.constFirst().arguments.value(0).toString());
        QCOMPARE(opened, QUrl::fromLocalFile(openedFile));
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
        QTest::newRow("track list")
            << true << false << true << playing
            << QStringList{QStringLiteral("rhythmbox OpenUri"),
                           QStringLiteral("rhythmbox AddTrack"), QStringLiteral("rhythmbox Play")}
            << 0;
        QTest::newRow("no track list: the file's default handler")
            << false << false << true << playing << QStringList{QStringLiteral("rhythmbox OpenUri")}
            << 1;
        QTest::newRow("track list fails too: the file's default handler")
            << true << true << true << playing
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
        m_bus->answers = {{rhythmbox}};
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
        QTest::newRow("the file's default handler plays it")
            << true << QStringLiteral("Playing miles in Music (So What).");
        QTest::newRow("nothing can play it")
            << false << QStringLiteral("Could not find miles: No music player is running.");
    }

    void playWithoutAnyPlayer()
    {
        QFETCH(bool, workspaceOpens);
        QFETCH(QString, expected);
        m_catalog->byBundleIdentifier.clear();
        m_workspace->openSucceeds = workspaceOpens;
        QCOMPARE(
            QCoro::waitFor(m_automation->playMusic(QStringLiteral("miles"), MusicScope::library()))
                .summary,
            expected);
        QCOMPARE(m_workspace->openedUrls, QList<QUrl>{QUrl::fromLocalFile(musicFile("a.wav"))});
    }

    void operationOutlivesTheAutomation()
    {
        m_bus->answers = {{}, {}, {player("rhythmbox")}};
        QCoro::Task<ComputerUseResult> resuming = m_automation->resumeMusic();
        m_automation.reset();
        QCOMPARE(QCoro::waitFor(std::move(resuming)).summary, QStringLiteral("Resumed Music."));
    }
};

QTEST_GUILESS_MAIN(TestMprisMusicAutomation)
#include "tst_mprismusicautomation.moc"
