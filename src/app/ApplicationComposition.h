// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppModelServices.h"
#include "app/ComputerControlPolicy.h"
#include "platform/DesktopSession.h"
#include "platform/PlatformPorts.h"
#include "speech/WakeWordVoiceService.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

class QNetworkAccessManager;

namespace korvane {

class AccessibilityTree;
class AppModel;
class GlobalShortcut;
class InputSynthesizer;
class MacComputerUseService;

// The program's composition root: the one place that decides, from the session, which
// backend serves each port, and hands every service its ports.

// This desktop's backends, one per port.
struct DesktopBackends {
    DesktopSession session{};
    PlatformPorts ports{};
    // What the UI automation of `ports` reads and types with.
    std::shared_ptr<AccessibilityTree> accessibility{};
    std::shared_ptr<InputSynthesizer> input{};
    // Brings a process's window forward where the desktop lets programs do that; empty where
    // it does not (GNOME on Wayland), and then a notification signals instead.
    std::function<bool(qint64 processId)> raiseWindowOf{};
    // Each port and its backend, in the order `korvane-cli config` prints them.
    QList<std::pair<QString, QString>> choices{};
};

DesktopBackends composeDesktop(const DesktopSession& session = DesktopSession::current());

struct ApplicationModelOptions {
    // No microphone and no wake phrase listening: for the command line and tests.
    bool headless = false;
    // Carries the assistant's requests; the calling thread's manager when absent.
    QNetworkAccessManager* session = nullptr;
    // Where the standing answers about proposed actions come from; the user's settings file
    // when empty. The window asks the person about the rest; headless runs ask nobody.
    ComputerControlPolicy::SettingsSource computerControl{};
    // Whether the person lets answers be interrupted by voice, read at each voice session;
    // empty means yes.
    std::function<bool()> bargeInAllowed{};
};

// The hold-to-talk key: the desktop's GlobalShortcuts portal where it is offered, else, in an
// X11 session, a key grab.
std::shared_ptr<GlobalShortcut> makeGlobalShortcut(const DesktopSession& session);

// What the window's wake phrase listener is made of, listening on `capture`.
WakeWordVoiceService::Dependencies
wakeWordListenerDependencies(std::shared_ptr<AudioCaptureDevice> capture);

// The standing answers as the user's settings file holds them now.
ComputerControlSettings storedComputerControlSettings();

std::shared_ptr<MacComputerUseService> makeComputerUseService(const DesktopBackends& desktop);

// The services the real program runs with.
AppModelServices makeApplicationServices(const ApplicationModelOptions& options,
                                         const DesktopBackends& desktop);

// The program's one application model.
std::unique_ptr<AppModel> makeApplicationModel(const ApplicationModelOptions& options,
                                               const DesktopBackends& desktop,
                                               QObject* parent = nullptr);

} // namespace korvane
