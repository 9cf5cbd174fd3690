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

namespace korvane {

namespace {

Q_LOGGING_CATEGORY(lcMprisMusic, "korvane.platform.mpris", QtInfoMsg)

const QString musicBundleIdentifier = QStringLiteral("com.apple.Music");

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
    std::optional<ResolvedMacApplication> application{};
    // Its desktop file ID, for recognising its player on the bus.
    QString desktopId{};
};

struct Launch {
    ComputerUseResult result{};
    QString desktopId{};
    bool launched = false;
    // The players on the bus before the launch.
    QSet<QString> before{};
};

QCoro::Task<MusicApplication> findMusicApplication(SharedPointer shared)
{
    // The catalog asks the desktop for its defaults: off the main thread.
    std::shared_ptr<const ApplicationCatalog> catalog = shared->catalog;
    auto lookup = runOnAutomationThread([catalog] {
        MusicApplication found;
        found.application = catalog->applicationForBundleIdentifier(musicBundleIdentifier);
        if (found.application) {
            const std::optional<QString> id = catalog->bundleIdentifier(found.application->url);
            found.desktopId = id ? *id : QFileInfo(found.application->url.path()).fileName();
        }
        return found;
    });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    MusicApplication found = co_await lookup;
    co_return found;
}

QCoro::Task<Launch> launchMusic(SharedPointer shared, bool notePlayers)
{
    const MusicApplication music = co_await findMusicApplication(shared);
    Launch launch;
    launch.desktopId = music.desktopId;
    if (!music.application) {
        launch.result = {MusicSentences::notFound(), std::nullopt};
        co_return launch;
    }
    if (notePlayers) {
        const QList<MprisPlayer> before = co_await shared->bus->players();
        for (const MprisPlayer& player : before)
            launch.before.insert(player.service);
    }
    const std::optional<QString> error =
        co_await shared->workspace->openApplication(music.application->url);
    if (error) {
        launch.result = {MusicSentences::couldNotOpen(*error), std::nullopt};
        co_return launch;
    }
    launch.launched = true;
    launch.result = {MusicSentences::opened(), std::nullopt};
    co_return launch;
}

// The player to drive once a launched music application has had a moment to reach the bus:
// its own player, or any player that appeared since the launch, or what is there at the end.
QCoro::Task<std::optional<MprisPlayer>> awaitPlayer(SharedPointer shared, Launch launch)
{
    const QDeadlineTimer deadline(shared->wait.appearance);
    for (;;) {
        const QList<MprisPlayer> players = co_await shared->bus->players();
        const bool arrived =
            std::any_of(players.cbegin(), players.cend(), [&](const MprisPlayer& player) {
                return MprisPlayerChoice::belongsTo(player, launch.desktopId) ||
                       !launch.before.contains(player.service);
            });
        if (!launch.launched || arrived || deadline.hasExpired()) {
            std::optional<MprisPlayer> chosen =
                MprisPlayerChoice::choose(players, launch.desktopId);
            if (chosen)
                qCDebug(lcMprisMusic) << "driving" << chosen->service;
            co_return chosen;
        }
        co_await QCoro::sleepFor(shared->wait.pollInterval);
    }
}

// Why `player` cannot take commands, if it cannot.
std::optional<QString> refusal(const std::optional<MprisPlayer>& player)
{
    if (!player)
        return MusicSentences::noPlayerRunning();
    if (!player->canControl)
        return MusicSentences::cannotBeControlled(player->displayName());
    return std::nullopt;
}

QCoro::Task<std::optional<QString>> drive(SharedPointer shared, std::optional<MprisPlayer> player,
                                          QString method)
{
    if (std::optional<QString> refused = refusal(player))
        co_return refused;
    // Arguments are named: GCC 12 miscompiles braced temporaries inside a co_await.
    const QVariantList none;
    std::optional<QString> error =
        co_await shared->bus->call(player->service, MprisBus::playerInterface(), method, none);
    co_return error;
}

QCoro::Task<std::optional<QString>> openTrack(SharedPointer shared,
                                              std::optional<MprisPlayer> player, QString filePath)
{
    const QUrl url = QUrl::fromLocalFile(filePath);
    if (!player) {
        // A player that does not speak MPRIS may still be the file's default handler.
        const bool opened = co_await shared->workspace->open(url);
        if (opened)
            co_return std::nullopt;
        co_return MusicSentences::noPlayerRunning();
    }
    if (std::optional<QString> refused = refusal(player))
        co_return refused;
    // Arguments are named: GCC 12 miscompiles braced temporaries inside a co_await.
    const QString uri = url.toString(QUrl::FullyEncoded);
    const QVariantList openArguments{uri};
    std::optional<QString> error = co_await shared->bus->call(
        player->service, MprisBus::playerInterface(), QStringLiteral("OpenUri"), openArguments);
    if (error && player->hasTrackList) {
        const QVariantList addArguments{
            uri, QVariant::fromValue(QDBusObjectPath(MprisBus::noTrackPath())), true};
        const std::optional<QString> added =
            co_await shared->bus->call(player->service, MprisBus::trackListInterface(),
                                       QStringLiteral("AddTrack"), addArguments);
        if (!added)
            error.reset();
    }
    if (error) {
        qCDebug(lcMprisMusic) << player->service << "could not open" << uri << "itself";
        const bool opened = co_await shared->workspace->open(url);
        if (!opened)
            co_return error;
        co_return std::nullopt;
    }
    // A paused player may load the file without playing it.
    const QVariantList none;
    co_await shared->bus->call(player->service, MprisBus::playerInterface(), QStringLiteral("Play"),
                               none);
    co_return std::nullopt;
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
    const Launch launch = co_await launchMusic(shared, false);
    co_return launch.result;
}

QCoro::Task<ComputerUseResult> MprisMusicAutomation::stopMusic()
{
    // Stopping never launches anything.
    SharedPointer shared = m_shared;
    const MusicApplication music = co_await findMusicApplication(shared);
    const QList<MprisPlayer> players = co_await shared->bus->players();
    const std::optional<QString> error = co_await drive(
        shared, MprisPlayerChoice::choose(players, music.desktopId), QStringLiteral("Pause"));
    if (error)
        co_return ComputerUseResult{MusicSentences::couldNotStop(*error), std::nullopt};
    co_return ComputerUseResult{MusicSentences::stopped(), std::nullopt};
}

QCoro::Task<ComputerUseResult> MprisMusicAutomation::resumeMusic()
{
    SharedPointer shared = m_shared;
    // The launch's own outcome is not reported: a running player can still resume.
    Launch launch = co_await launchMusic(shared, true);
    const std::optional<MprisPlayer> player = co_await awaitPlayer(shared, std::move(launch));
    const std::optional<QString> error = co_await drive(shared, player, QStringLiteral("Play"));
    if (error)
        co_return ComputerUseResult{MusicSentences::couldNotResume(*error), std::nullopt};
    co_return ComputerUseResult{MusicSentences::resumed(), std::nullopt};
}

QCoro::Task<ComputerUseResult> MprisMusicAutomation::playMusic(QString query, MusicScope scope)
{
    SharedPointer shared = m_shared;
    Launch launch = co_await launchMusic(shared, true);

    std::shared_ptr<MusicLibrary> library = shared->library;
    auto scanning = runOnAutomationThread([library] { return library->collection(); });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    const MusicCollection collection = co_await scanning;
    const MusicSearchResult found = MusicSearch::find(collection, query, scope);
    if (!found.track)
        co_return ComputerUseResult{MusicSentences::couldNotPlay(query, scope, found.error),
                                    std::nullopt};

    const std::optional<MprisPlayer> player = co_await awaitPlayer(shared, std::move(launch));
    const std::optional<QString> error = co_await openTrack(shared, player, found.track->filePath);
    if (error)
        co_return ComputerUseResult{MusicSentences::couldNotPlay(query, scope, *error),
                                    std::nullopt};
    co_return ComputerUseResult{MusicSentences::playing(query, scope, found.track->title),
                                std::nullopt};
}

} // namespace korvane
