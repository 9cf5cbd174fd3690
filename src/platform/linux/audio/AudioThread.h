// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

namespace korvane {

// A thread for one audio device, with a context object living on it. Qt's audio objects are
// created, driven and destroyed there, so their timers and notifications stay on that thread.
class AudioThread final {
public:
    explicit AudioThread(const QString& name);
    // Stops the thread once its queued work is done.
    ~AudioThread();
    Q_DISABLE_COPY_MOVE(AudioThread)

    QObject* context() const { return m_context.get(); }
    bool isCurrent() const;

    // Runs `work` on the thread and returns when it is done (directly when already there).
    void runAndWait(const std::function<void()>& work) const;
    // Queues `work` on the thread.
    void post(std::function<void()> work) const;

private:
    QThread m_thread;
    std::unique_ptr<QObject> m_context;
};

} // namespace korvane
