#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace korvane {

// Listens for the wake phrase while no voice session holds the microphone. Callbacks are
// called on the main thread; any may be left empty.
class WakeWordListener {
public:
    virtual ~WakeWordListener() = default;

    // Asks for permission and starts listening; reports through the callbacks.
    virtual void start() = 0;
    // Stops listening; returns at once.
    virtual void stop() = 0;

    // The words after the phrase, absent when nothing followed it.
    std::function<void(std::optional<QString>)> onWake{};
    std::function<void(bool)> onListeningStateChange{};
    std::function<void(QString)> onError{};
};

} // namespace korvane
