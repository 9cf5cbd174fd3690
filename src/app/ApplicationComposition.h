#pragma once

#include "app/AppModelServices.h"
#include "app/ComputerControlPolicy.h"
#include "speech/WakeWordVoiceService.h"

#include <QObject>

#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace korvane {

class AppModel;

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

// What the window's wake phrase listener is made of, listening on `capture`.
WakeWordVoiceService::Dependencies
wakeWordListenerDependencies(std::shared_ptr<AudioCaptureDevice> capture);

// The standing answers as the user's settings file holds them now.
ComputerControlSettings storedComputerControlSettings();

// The services the real program runs with.
AppModelServices makeApplicationServices(const ApplicationModelOptions& options);

// The program's one application model, built from configuration.
std::unique_ptr<AppModel> makeApplicationModel(const ApplicationModelOptions& options = {},
                                               QObject* parent = nullptr);

} // namespace korvane
