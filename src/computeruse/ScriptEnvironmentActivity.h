// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <atomic>

namespace korvane {

// Whether the scripts' Python environment is being created or given its packages, anywhere in
// the process, so the window can say so. Preparations may run on any thread; the signal is
// delivered on the main thread.
class ScriptEnvironmentActivity final : public QObject {
    Q_OBJECT

public:
    static ScriptEnvironmentActivity& shared();

    bool isPreparing() const;

    // Marks a preparation for as long as it lives.
    class Preparation final {
    public:
        Preparation();
        ~Preparation();
        Q_DISABLE_COPY_MOVE(Preparation)
    };

Q_SIGNALS:
    void isPreparingChanged();

private:
    ScriptEnvironmentActivity();
    void announce();

    std::atomic<int> m_preparations{0};
};

} // namespace korvane
