// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QString>
#include <QThread>

#include <utility>

namespace korvane::test {

// A loopback server's worker on a thread of its own, so a test that blocks (QCoro::waitFor, a
// synchronous client) never starves the server. The worker listens on construction and shuts
// down before the thread ends.
template <typename Worker>
class ServerThread final {
public:
    template <typename... Arguments>
    explicit ServerThread(const QString& name, Arguments&&... arguments)
        : m_worker(new Worker(std::forward<Arguments>(arguments)...))
    {
        m_thread.setObjectName(name);
        m_worker->moveToThread(&m_thread);
        m_thread.start();
        run([this] { m_port = m_worker->listen(); });
    }

    ~ServerThread()
    {
        run([this] { m_worker->shutdown(); });
        m_thread.quit();
        m_thread.wait();
        delete m_worker;
    }

    ServerThread(const ServerThread&) = delete;
    ServerThread& operator=(const ServerThread&) = delete;

    // Runs `work` on the server's thread and waits for it; never call it from that thread.
    template <typename Work>
    void run(Work work)
    {
        QMetaObject::invokeMethod(m_worker, work, Qt::BlockingQueuedConnection);
    }

    Worker& worker() const { return *m_worker; }
    // 0 when listening failed.
    quint16 port() const { return m_port; }

private:
    QThread m_thread;
    Worker* m_worker = nullptr;
    quint16 m_port = 0;
};

} // namespace korvane::test
