// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

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

// Listens for the wake phrase while no voice session holds the microphone. Signals are
// emitted on the thread that made the listener.
class WakeWordListener : public QObject {
    Q_OBJECT

public:
    explicit WakeWordListener(QObject* parent = nullptr);
    ~WakeWordListener() override;

    // Opens the microphone and starts listening; reports through the signals.
    virtual void start() = 0;
    // Stops listening; returns at once.
    virtual void stop() = 0;

Q_SIGNALS:
    void wakePhraseHeard(const korvane::HeardWakePhrase& heard);
    void listeningChanged(bool listening);
    void failed(const QString& message);
};

} // namespace korvane
