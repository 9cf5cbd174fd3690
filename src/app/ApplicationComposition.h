#pragma once

#include "app/AppModelServices.h"
#include "platform/DesktopSession.h"
#include "platform/PlatformPorts.h"

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
};

std::shared_ptr<MacComputerUseService> makeComputerUseService(const DesktopBackends& desktop);

// The services the real program runs with.
AppModelServices makeApplicationServices(const ApplicationModelOptions& options,
                                         const DesktopBackends& desktop);

// The program's one application model.
std::unique_ptr<AppModel> makeApplicationModel(const ApplicationModelOptions& options,
                                               const DesktopBackends& desktop,
                                               QObject* parent = nullptr);

} // namespace korvane
