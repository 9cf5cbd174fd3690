#pragma once

#include "app/AppModelServices.h"
#include "speech/WakeWordVoiceService.h"

#include <QObject>

#include <memory>

class QNetworkAccessManager;

namespace korvane {

class AppModel;

struct ApplicationModelOptions {
    // No microphone and no wake phrase listening: for the command line and tests.
    bool headless = false;
    // Carries the assistant's requests; the calling thread's manager when absent.
    QNetworkAccessManager* session = nullptr;
};

// What the window's wake phrase listener is made of, listening on `capture`.
WakeWordVoiceService::Dependencies
wakeWordListenerDependencies(std::shared_ptr<AudioCaptureDevice> capture);

// The services the real program runs with.
AppModelServices makeApplicationServices(const ApplicationModelOptions& options);

// The program's one application model, built from configuration.
std::unique_ptr<AppModel> makeApplicationModel(const ApplicationModelOptions& options = {},
                                               QObject* parent = nullptr);

} // namespace korvane
