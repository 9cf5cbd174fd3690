// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/mpris/MprisMusicAutomation.h"

#include "platform/ApplicationCatalog.h"
#include "platform/AutomationThread.h"
#include "platform/Workspace.h"
#include "platform/linux/mpris/DBusMprisBus.h"
#include "platform/linux/mpris/MprisPlayerChoice.h"
#include "platform/linux/mpris/MusicLibrary.h"
#include "platform/linux/mpris/MusicSearch.h"
#include "platform/linux/mpris/MusicSentences.h"

#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotimer.h>

#include <functional>

namespace korvane {

namespace {

Q_LOGGING_CATEGORY(lcMprisMusic, "korvane.platform.mpris", QtInfoMsg)

const QString musicPlayerRole = QStringLiteral("music player");

} // namespace

struct MprisMusicAutomation::Shared {
    std::shared_ptr<Workspace> workspace;
    std::shared_ptr<const ApplicationCatalog> catalog;
    std::shared_ptr<MusicLibrary> library;
    std::shared_ptr<MprisBus> bus;
    MprisPlayerWait wait;
};

namespace {

using SharedPointer = std::shared_ptr<const MprisMusicAutomation::Shared>;

struct MusicApplication {
    std::optional<InstalledApplication> application{};
    // Its desktop file ID, for recognising its player on the bus.
    QString desktopId{};
};

// A player to drive, or why there is none.
struct Driven {
    std::optional<MprisPlayer> player{};
    QString failure{};
};

// How a track reached a player.
enum class Handover { player, desktop, failed };

QCoro::Task<MusicApplication> findMusicApplication(SharedPointer shared)
{
    // The catalog asks the desktop for its defaults: off the main thread.
    std::shared_ptr<const ApplicationCatalog> catalog = shared->catalog;
    auto lookup = runOnAutomationThread([catalog] {
        MusicApplication found;
        found.application = catalog->applicationForRole(musicPlayerRole);
        if (found.application) {
            const std::optional<QString> id = catalog->desktopEntryId(found.application->url);
            found.desktopId = id ? *id : QFileInfo(found.application->url.path()).fileName();
        }
        return found;
    });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    MusicApplication found = co_await lookup;
    co_return found;
}

QCoro::Task<QList<MprisPlayer>> listPlayers(SharedPointer shared)
{
    auto listing = shared->bus->players();
    QList<MprisPlayer> players = co_await std::move(listing);
    co_return players;
}

// Launches the music application and waits for its player, or any player that appears.
QCoro::Task<Driven> launchPlayer(SharedPointer shared, MusicApplication music)
{
    if (!music.application)
        co_return Driven{std::nullopt, MusicSentences::notFound()};
    auto listing = listPlayers(shared);
    const QList<MprisPlayer> before = co_await std::move(listing);
    QSet<QString> known;
    for (const MprisPlayer& player : before)
        known.insert(player.service);
    auto opening = shared->workspace->openApplication(music.application->url);
    if (const Outcome opened = co_await std::move(opening); !opened)
        co_return Driven{std::nullopt, MusicSentences::couldNotOpen(opened.error())};

    const QDeadlineTimer deadline(shared->wait.appearance);
    for (;;) {
        auto polling = listPlayers(shared);
        const QList<MprisPlayer> players = co_await std::move(polling);
        for (const MprisPlayer& player : players) {
            const bool arrived = MprisPlayerChoice::belongsTo(player, music.desktopId) ||
                                 !known.contains(player.service);
            if (!arrived)
                continue;
            if (!player.canControl)
                co_return Driven{std::nullopt,
                                 MusicSentences::cannotBeControlled(player.displayName())};
            qCDebug(lcMprisMusic) << "launched" << player.service;
            co_return Driven{player, {}};
        }
        if (deadline.hasExpired())
            co_return Driven{std::nullopt, MusicSentences::noPlayerRunning()};
        co_await QCoro::sleepFor(shared->wait.pollInterval);
    }
}

// The player to drive: the one the person hears, else one that runs, else the music
// application launched now.
QCoro::Task<Driven> playerToDrive(SharedPointer shared, QList<MprisPlayer> players,
                                  MusicApplication music)
{
    if (std::optional<MprisPlayer> player =
            MprisPlayerChoice::forPlayback(players, music.desktopId))
        co_return Driven{std::move(player), {}};
    if (const std::optional<MprisPlayer> refusing =
            MprisPlayerChoice::refusing(players, music.desktopId))
        co_return Driven{std::nullopt, MusicSentences::cannotBeControlled(refusing->displayName())};
    auto launching = launchPlayer(shared, std::move(music));
    Driven launched = co_await std::move(launching);
    co_return launched;
}

QCoro::Task<Outcome> send(SharedPointer shared, MprisPlayer player, QString method)
{
    // Arguments are named: GCC 12 miscompiles braced temporaries inside a co_await.
    const QVariantList none;
    auto calling = shared->bus->call(player.service, MprisBus::playerInterface(), method, none);
    Outcome sent = co_await std::move(calling);
    co_return sent;
}

// The player as it is once `confirmed` holds, or as it was when the wait ran out; absent when
// it left the bus.
QCoro::Task<std::optional<MprisPlayer>>
awaitState(SharedPointer shared, QString service, std::function<bool(const MprisPlayer&)> confirmed)
{
    const QDeadlineTimer deadline(shared->wait.confirmation);
    for (;;) {
        auto reading = shared->bus->player(service);
        const std::optional<MprisPlayer> state = co_await std::move(reading);
        if (!state || confirmed(*state) || deadline.hasExpired())
            co_return state;
        co_await QCoro::sleepFor(shared->wait.pollInterval);
    }
}

QCoro::Task<Handover> handOver(SharedPointer shared, MprisPlayer player, QString filePath,
                               QString* error)
{
    const QUrl url = QUrl::fromLocalFile(filePath);
    // Arguments are named: GCC 12 miscompiles braced temporaries inside a co_await.
    const QString uri = url.toString(QUrl::FullyEncoded);
    const QVariantList openArguments{uri};
    auto opening = shared->bus->call(player.service, MprisBus::playerInterface(),
                                     QStringLiteral("OpenUri"), openArguments);
    Outcome loaded = co_await std::move(opening);
    if (!loaded && player.hasTrackList) {
        const QVariantList addArguments{
            uri, QVariant::fromValue(QDBusObjectPath(MprisBus::noTrackPath())), true};
        auto adding = shared->bus->call(player.service, MprisBus::trackListInterface(),
                                        QStringLiteral("AddTrack"), addArguments);
        if (co_await std::move(adding))
            loaded = Outcome::success();
    }
    if (!loaded) {
        qCDebug(lcMprisMusic) << player.service << "could not open" << uri << "itself";
        auto handing = shared->workspace->open(url);
        if (co_await std::move(handing))
            co_return Handover::desktop;
        *error = loaded.error();
        co_return Handover::failed;
    }
    co_return Handover::player;
}

} // namespace

MprisMusicAutomation::MprisMusicAutomation(std::shared_ptr<Workspace> workspace,
                                           std::shared_ptr<const ApplicationCatalog> catalog,
                                           std::shared_ptr<MusicLibrary> library,
                                           std::shared_ptr<MprisBus> bus, MprisPlayerWait wait)
{
    if (!bus)
        bus = std::make_shared<DBusMprisBus>();
    m_shared = std::make_shared<const Shared>(
        Shared{std::move(workspace), std::move(catalog), std::move(library), std::move(bus), wait});
}

MprisMusicAutomation::~MprisMusicAutomation() = default;

QCoro::Task<ComputerUseResult> MprisMusicAutomation::openMusic()
{
    SharedPointer shared = m_shared;
    auto finding = findMusicApplication(shared);
    const MusicApplication music = co_await std::move(finding);
    if (!music.application)
        co_return ComputerUseResult{MusicSentences::notFound(), std::nullopt};
    auto opening = shared->workspace->openApplication(music.application->url);
    if (const Outcome opened = co_await std::move(opening); !opened)
        co_return ComputerUseResult{MusicSentences::couldNotOpen(opened.error()), std::nullopt};
    co_return ComputerUseResult{MusicSentences::opened(), std::nullopt};
}

QCoro::Task<ComputerUseResult> MprisMusicAutomation::stopMusic()
{
    // Stopping never launches anything; it pauses whatever plays.
    SharedPointer shared = m_shared;
    auto finding = findMusicApplication(shared);
    const MusicApplication music = co_await std::move(finding);
    auto listing = listPlayers(shared);
    const QList<MprisPlayer> players = co_await std::move(listing);
    const QList<MprisPlayer> playing = MprisPlayerChoice::playing(players);
    if (playing.isEmpty()) {
        if (const auto idle = MprisPlayerChoice::forPlayback(players, music.desktopId))
            co_return ComputerUseResult{MusicSentences::notPlaying(idle->displayName()),
                                        std::nullopt};
        if (const auto refusing = MprisPlayerChoice::refusing(players, music.desktopId))
            co_return ComputerUseResult{
                MusicSentences::couldNotStop(
                    MusicSentences::cannotBeControlled(refusing->displayName())),
                std::nullopt};
        co_return ComputerUseResult{MusicSentences::couldNotStop(MusicSentences::noPlayerRunning()),
                                    std::nullopt};
    }
    for (const MprisPlayer& player : playing) {
        auto pausing = send(shared, player, QStringLiteral("Pause"));
        if (const Outcome paused = co_await std::move(pausing); !paused)
            co_return ComputerUseResult{MusicSentences::couldNotStop(paused.error()), std::nullopt};
    }
    for (const MprisPlayer& player : playing) {
        auto waiting = awaitState(shared, player.service,
                                  [](const MprisPlayer& state) { return !state.isPlaying(); });
        const std::optional<MprisPlayer> state = co_await std::move(waiting);
        if (state && state->isPlaying())
            co_return ComputerUseResult{
                MusicSentences::couldNotStop(MusicSentences::stillPlaying(player.displayName())),
                std::nullopt};
    }
    co_return ComputerUseResult{MusicSentences::stopped(), std::nullopt};
}

QCoro::Task<ComputerUseResult> MprisMusicAutomation::resumeMusic()
{
    SharedPointer shared = m_shared;
    auto finding = findMusicApplication(shared);
    MusicApplication music = co_await std::move(finding);
    auto listing = listPlayers(shared);
    const QList<MprisPlayer> players = co_await std::move(listing);
    const QList<MprisPlayer> playing = MprisPlayerChoice::playing(players);
    if (!playing.isEmpty())
        co_return ComputerUseResult{MusicSentences::alreadyPlaying(playing.first().displayName()),
                                    std::nullopt};
    auto choosing = playerToDrive(shared, players, std::move(music));
    const Driven driven = co_await std::move(choosing);
    if (!driven.player)
        co_return ComputerUseResult{MusicSentences::couldNotResume(driven.failure), std::nullopt};
    const MprisPlayer& player = *driven.player;
    auto resuming = send(shared, player, QStringLiteral("Play"));
    if (const Outcome resumed = co_await std::move(resuming); !resumed)
        co_return ComputerUseResult{MusicSentences::couldNotResume(resumed.error()), std::nullopt};

    auto waiting = awaitState(shared, player.service, &MprisPlayer::isPlaying);
    const std::optional<MprisPlayer> state = co_await std::move(waiting);
    if (state && state->isPlaying())
        co_return ComputerUseResult{MusicSentences::resumed(), std::nullopt};
    const QString name = player.displayName();
    co_return ComputerUseResult{
        MusicSentences::couldNotResume(state && state->trackUrl.isEmpty()
                                           ? MusicSentences::nothingToPlay(name)
                                           : MusicSentences::didNotStart(name)),
        std::nullopt};
}

QCoro::Task<ComputerUseResult> MprisMusicAutomation::playMusic(QString query, MusicScope scope)
{
    SharedPointer shared = m_shared;
    std::shared_ptr<MusicLibrary> library = shared->library;
    auto scanning = runOnAutomationThread([library] { return library->collection(); });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    const MusicCollection collection = co_await scanning;
    // Nothing is launched for a track that is not there.
    const MusicSearchResult found = MusicSearch::find(collection, query, scope);
    if (!found.track)
        co_return ComputerUseResult{MusicSentences::couldNotPlay(query, scope, found.error),
                                    std::nullopt};
    const MusicTrack track = *found.track;

    auto finding = findMusicApplication(shared);
    MusicApplication music = co_await std::move(finding);
    auto listing = listPlayers(shared);
    const QList<MprisPlayer> players = co_await std::move(listing);
    auto choosing = playerToDrive(shared, players, std::move(music));
    const Driven driven = co_await std::move(choosing);
    if (!driven.player) {
        // A player that does not speak MPRIS may still be the file's default handler.
        auto handing = shared->workspace->open(QUrl::fromLocalFile(track.filePath));
        if (co_await std::move(handing))
            co_return ComputerUseResult{MusicSentences::handedToDesktop(track.title), std::nullopt};
        co_return ComputerUseResult{MusicSentences::couldNotPlay(query, scope, driven.failure),
                                    std::nullopt};
    }
    const MprisPlayer& player = *driven.player;
    QString error;
    auto handing = handOver(shared, player, track.filePath, &error);
    const Handover handover = co_await std::move(handing);
    if (handover == Handover::failed)
        co_return ComputerUseResult{MusicSentences::couldNotPlay(query, scope, error),
                                    std::nullopt};
    if (handover == Handover::desktop)
        co_return ComputerUseResult{MusicSentences::handedToDesktop(track.title), std::nullopt};

    const QString filePath = track.filePath;
    const auto loaded = [filePath](const MprisPlayer& state) { return state.hasLoaded(filePath); };
    const auto playingIt = [filePath](const MprisPlayer& state) {
        return state.hasLoaded(filePath) && state.isPlaying();
    };
    auto loading = awaitState(shared, player.service, loaded);
    std::optional<MprisPlayer> state = co_await std::move(loading);
    if (state && state->hasLoaded(filePath) && !state->isPlaying()) {
        // A paused player may load the file without playing it.
        auto starting = send(shared, player, QStringLiteral("Play"));
        co_await std::move(starting);
        auto waiting = awaitState(shared, player.service, playingIt);
        state = co_await std::move(waiting);
    }
    if (state && state->hasLoaded(filePath) && state->playbackStatus == u"Stopped") {
        // Some players keep saying "Stopped" for a track they started from idle (mpv-mpris 0.7
        // does); pausing and playing again makes them say what they do.
        auto pausing = send(shared, player, QStringLiteral("Pause"));
        co_await std::move(pausing);
        auto playing = send(shared, player, QStringLiteral("Play"));
        co_await std::move(playing);
        auto waiting = awaitState(shared, player.service, playingIt);
        state = co_await std::move(waiting);
    }
    if (state && playingIt(*state))
        co_return ComputerUseResult{MusicSentences::playing(query, scope, track.title),
                                    std::nullopt};
    co_return ComputerUseResult{
        MusicSentences::didNotPlay(query, track.title, player.displayName()), std::nullopt};
}

} // namespace korvane
