#pragma once

#include "app/AppModelServices.h"

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
    // Whether the person lets answers be interrupted by voice, read at each voice session;
    // empty means yes.
    std::function<bool()> bargeInAllowed{};
};

// The services the real program runs with.
AppModelServices makeApplicationServices(const ApplicationModelOptions& options);

// The program's one application model, built from configuration.
std::unique_ptr<AppModel> makeApplicationModel(const ApplicationModelOptions& options = {},
                                               QObject* parent = nullptr);

} // namespace korvane
