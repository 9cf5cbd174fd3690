// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ApplicationComposition.h"

#include "app/AppModel.h"
#include "app/ApprovalRequests.h"
#include "app/NoWindowActivator.h"
#include "app/UserSettings.h"
#include "computeruse/MacComputerUseService.h"
#include "platform/GlobalShortcutChain.h"
#include "platform/linux/atspi/AtspiAccessibilityTree.h"
#include "platform/linux/atspi/AtspiActivationHistory.h"
#include "platform/linux/atspi/AtspiWorkspace.h"
#include "platform/linux/audio/QtAudioCaptureDevice.h"
#include "platform/linux/audio/QtAudioPlaybackDevice.h"
#include "platform/linux/audio/SoxrAudioConverter.h"
#include "platform/linux/browser/RemoteBrowserAutomation.h"
#include "platform/linux/kwin/KWinScripting.h"
#include "platform/linux/mpris/MprisMusicAutomation.h"
#include "platform/linux/mpris/MusicLibrary.h"
#include "platform/linux/office/LibreOfficeDocuments.h"
#include "platform/linux/pocketsphinx/PocketsphinxRecognizer.h"
#include "platform/linux/portal/PortalGlobalShortcut.h"
#include "platform/linux/portal/PortalInputSynthesizer.h"
#include "platform/linux/texttospeech/QtSpokenFeedback.h"
#include "platform/linux/x11/X11GlobalShortcut.h"
#include "platform/linux/x11/X11Workspace.h"
#include "platform/linux/x11/XTestInputSynthesizer.h"
#include "platform/linux/xdg/XdgApplicationCatalog.h"
#include "providers/OpenAIAssistantProvider.h"
#include "realtime/ApprovingToolActions.h"
#include "realtime/OpenAIRealtimeVoiceService.h"
#include "realtime/UnavailableRealtimeVoiceService.h"
#include "speech/SilentSpokenFeedback.h"
#include "speech/UnavailableWakeWordListener.h"
#include "speech/WakeWordVoiceService.h"
#include "uiautomation/UIAutomationService.h"

namespace korvane {

namespace {

AudioDevices makeRealtimeAudio()
{
    // Each listener of the microphone has a capture device of its own: one tap each. Where the
    // sound server cancels echo, the session hears and speaks through it, so it never hears
    // its own answers.
    return {.capture = std::make_shared<QtAudioCaptureDevice>(QByteArray(),
                                                              AudioRoute::echoCancelledWhenOffered),
            .playback = std::make_shared<QtAudioPlaybackDevice>(
                QByteArray(), AudioRoute::echoCancelledWhenOffered),
            .converterFactory = &createAudioConverter};
}

std::shared_ptr<WakeWordListener> makeWakeWordListener()
{
    return std::make_shared<WakeWordVoiceService>(
        wakeWordListenerDependencies(std::make_shared<QtAudioCaptureDevice>()));
}

std::shared_ptr<SpokenFeedback> makeSpokenFeedback()
{
    return std::make_shared<QtSpokenFeedback>();
}

// The person's consent to remote control, kept in the user settings between runs. Read and
// written on the automation thread, each time with settings of its own.
PortalInputSynthesizer::Options remoteControlConsent(bool pointAtPositions)
{
    return {.pointAtPositions = pointAtPositions,
            .loadRestoreToken = [] { return UserSettings().remoteControlRestoreToken(); },
            .saveRestoreToken =
                [](const QString& token) { UserSettings().setRemoteControlRestoreToken(token); }};
}

// The ports that only see windows, keys and the pointer, by session.
struct WindowSystemPorts {
    std::shared_ptr<Workspace> workspace{};
    std::shared_ptr<AccessibilityTree> accessibility{};
    std::shared_ptr<InputSynthesizer> input{};
    std::function<bool(qint64)> raiseWindowOf{};
    QList<std::pair<QString, QString>> choices{};
};

WindowSystemPorts x11Ports(std::shared_ptr<const XdgApplicationCatalog> catalog)
{
    auto workspace = std::make_shared<X11Workspace>(catalog);
    return {.workspace = workspace,
            .accessibility = std::make_shared<AtspiAccessibilityTree>(),
            .input = std::make_shared<XTestInputSynthesizer>(),
            .raiseWindowOf = {},
            .choices = {{QStringLiteral("frontmost application"),
                         QStringLiteral("X11 window properties (EWMH), desktop entries")},
                        {QStringLiteral("accessibility"), QStringLiteral("AT-SPI")},
                        {QStringLiteral("input"), QStringLiteral("XTest")},
                        {QStringLiteral("window raising"),
                         QStringLiteral("X11 window manager (_NET_ACTIVE_WINDOW)")}}};
}

// KWin lets a script raise any window and say where windows are: element places become
// screen places, so the pointer can click at them.
WindowSystemPorts kdeWaylandPorts(std::shared_ptr<const XdgApplicationCatalog> catalog)
{
    return {
        .workspace = std::make_shared<AtspiWorkspace>(
            catalog, std::make_shared<AtspiActivationHistory>(), &KWinScripting::activateWindowOf),
        .accessibility = std::make_shared<AtspiAccessibilityTree>(&KWinScripting::windowOrigin),
        .input = std::make_shared<PortalInputSynthesizer>(remoteControlConsent(true)),
        .raiseWindowOf = &KWinScripting::activateWindowOf,
        .choices = {{QStringLiteral("frontmost application"),
                     QStringLiteral("AT-SPI active window, process table, desktop entries")},
                    {QStringLiteral("accessibility"),
                     QStringLiteral("AT-SPI, window places from KWin scripting")},
                    {QStringLiteral("input"),
                     QStringLiteral("xdg-desktop-portal RemoteDesktop with a ScreenCast "
                                    "stream for the pointer")},
                    {QStringLiteral("window raising"), QStringLiteral("KWin scripting")}}};
}

// GNOME, and Wayland desktops Korvane knows no more of, tell no program where windows are
// and let none raise another's window.
WindowSystemPorts waylandPorts(std::shared_ptr<const XdgApplicationCatalog> catalog)
{
    const auto unknownPlace = [](qint64, const QString&) { return std::optional<QPointF>(); };
    return {.workspace = std::make_shared<AtspiWorkspace>(
                catalog, std::make_shared<AtspiActivationHistory>()),
            .accessibility = std::make_shared<AtspiAccessibilityTree>(unknownPlace),
            .input = std::make_shared<PortalInputSynthesizer>(remoteControlConsent(false)),
            .raiseWindowOf = {},
            .choices = {{QStringLiteral("frontmost application"),
                         QStringLiteral("AT-SPI active window, process table, desktop entries")},
                        {QStringLiteral("accessibility"),
                         QStringLiteral("AT-SPI (element places unknown: clicks use actions)")},
                        {QStringLiteral("input"),
                         QStringLiteral("xdg-desktop-portal RemoteDesktop (keyboard, pointer "
                                        "buttons)")},
                        {QStringLiteral("window raising"),
                         QStringLiteral("none allowed: a desktop notification signals instead")}}};
}

WindowSystemPorts windowSystemPorts(const DesktopSession& session,
                                    std::shared_ptr<const XdgApplicationCatalog> catalog)
{
    if (session.kind != DesktopSession::Kind::wayland)
        return x11Ports(std::move(catalog));
    if (session.desktop == DesktopSession::Desktop::kde)
        return kdeWaylandPorts(std::move(catalog));
    return waylandPorts(std::move(catalog));
}

} // namespace

DesktopBackends composeDesktop(const DesktopSession& session)
{
    auto catalog = std::make_shared<XdgApplicationCatalog>();
    WindowSystemPorts windowSystem = windowSystemPorts(session, catalog);
    DesktopBackends desktop;
    desktop.session = session;
    desktop.ports.workspace = windowSystem.workspace;
    desktop.ports.applications = catalog;
    desktop.ports.uiAutomation = std::make_shared<UIAutomationService>(
        windowSystem.accessibility, windowSystem.input, windowSystem.workspace);
    desktop.ports.browsers =
        std::make_shared<RemoteBrowserAutomation>(windowSystem.workspace, catalog);
    desktop.ports.music = std::make_shared<MprisMusicAutomation>(windowSystem.workspace, catalog,
                                                                 std::make_shared<MusicLibrary>());
    desktop.ports.documents = std::make_shared<LibreOfficeDocuments>();
    desktop.accessibility = windowSystem.accessibility;
    desktop.input = windowSystem.input;
    desktop.raiseWindowOf = windowSystem.raiseWindowOf;
    desktop.choices = {{QStringLiteral("session"), session.description()}};
    desktop.choices.append(windowSystem.choices);
    desktop.choices.append({
        {QStringLiteral("applications"), QStringLiteral("XDG desktop entries")},
        {QStringLiteral("browsers"),
         QStringLiteral("Chromium over its DevTools pipe, Firefox over WebDriver BiDi")},
        {QStringLiteral("music"), QStringLiteral("MPRIS")},
        {QStringLiteral("documents"), QStringLiteral("LibreOffice")},
    });
    return desktop;
}

std::shared_ptr<GlobalShortcut> makeGlobalShortcut(const DesktopSession& session)
{
    QList<std::shared_ptr<GlobalShortcut>> backends{std::make_shared<PortalGlobalShortcut>()};
    if (session.kind != DesktopSession::Kind::wayland)
        backends.append(std::make_shared<X11GlobalShortcut>());
    return std::make_shared<GlobalShortcutChain>(
        backends, QStringLiteral("This desktop offers no global shortcuts: hold-to-talk needs the "
                                 "desktop's GlobalShortcuts portal or an X11 session."));
}

WakeWordVoiceService::Dependencies
wakeWordListenerDependencies(std::shared_ptr<AudioCaptureDevice> capture)
{
    return {
        .capture = std::move(capture),
        .converterFactory = &createAudioConverter,
        // Without the US English model it says what to install.
        .recognizer =
            PocketsphinxRecognizer::create({.phrases = WakeWordVoiceService::defaultWakePhrases()}),
    };
}

ComputerControlSettings storedComputerControlSettings()
{
    const UserSettings settings;
    return {.allowComputerControl = settings.allowComputerControl(),
            .letScriptsUseNetwork = settings.letScriptsUseNetwork()};
}

std::shared_ptr<MacComputerUseService> makeComputerUseService(const DesktopBackends& desktop)
{
    return std::make_shared<MacComputerUseService>(ComputerUseBackends{.ports = desktop.ports});
}

AppModelServices makeApplicationServices(const ApplicationModelOptions& options,
                                         const DesktopBackends& desktop)
{
    AppModelServices services;
    if (!options.headless)
        services.approvalRequests = std::make_shared<ApprovalRequests>();
    services.actionApprover = std::make_shared<ComputerControlPolicy>(
        options.computerControl ? options.computerControl : &storedComputerControlSettings,
        services.approvalRequests);
    services.assistantProvider =
        std::make_shared<OpenAIAssistantProvider>(QStringLiteral("gpt-4o"), options.session);
    auto computerUse = makeComputerUseService(desktop);
    services.computerUseService = computerUse;
    // Headless runs never open the microphone.
    if (options.headless) {
        services.realtimeVoiceService = std::make_shared<UnavailableRealtimeVoiceService>();
        services.wakeWordListener = std::make_shared<UnavailableWakeWordListener>();
        services.spokenFeedback = std::make_shared<SilentSpokenFeedback>();
    } else {
        auto realtime = std::make_shared<OpenAIRealtimeVoiceService>(
            std::make_shared<ApprovingToolActions>(computerUse, services.actionApprover),
            makeRealtimeAudio());
        realtime->setBargeInPreference(options.bargeInAllowed);
        services.realtimeVoiceService = realtime;
        services.wakeWordListener = makeWakeWordListener();
        services.spokenFeedback = makeSpokenFeedback();
    }
    services.windowActivator = std::make_shared<NoWindowActivator>();
    return services;
}

std::unique_ptr<AppModel> makeApplicationModel(const ApplicationModelOptions& options,
                                               const DesktopBackends& desktop, QObject* parent)
{
    return std::make_unique<AppModel>(makeApplicationServices(options, desktop), parent);
}

} // namespace korvane
