#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace korvane {

// A wake phrase as the listener heard it.
struct HeardWakePhrase {
    // The words after the phrase, absent when nothing followed it.
    std::optional<QString> commandSuffix{};
    // False when the recognizer was unsure of those words: they may have been misheard.
    bool suffixHeardClearly = true;

    friend bool operator==(const HeardWakePhrase&, const HeardWakePhrase&) = default;
};

// Listens for the wake phrase while no voice session holds the microphone. Callbacks are
// called on the main thread; any may be left empty.
class WakeWordListener {
public:
    virtual ~WakeWordListener() = default;

    // Opens the microphone and starts listening; reports through the callbacks.
    virtual void start() = 0;
    // Stops listening; returns at once.
    virtual void stop() = 0;

    std::function<void(HeardWakePhrase)> onWake{};
    std::function<void(bool)> onListeningStateChange{};
    std::function<void(QString)> onError{};
};

} // namespace korvane
