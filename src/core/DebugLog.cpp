// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DebugLog.h"

#include "core/Configuration.h"
#include "core/SecretRedaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace korvane {

namespace {

struct PendingLine {
    QString path;
    // Formatted by the caller, not yet redacted.
    QString line;
};

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

void appendLine(const QString& path, const QByteArray& line)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray encoded = QFile::encodeName(path);
    struct stat status {};
    if (::stat(encoded.constData(), &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_size + line.size() > maximumDebugLogBytes) {
        // One old file is kept; another process may have rotated first, which is harmless.
        ::rename(encoded.constData(), QFile::encodeName(path + QStringLiteral(".1")).constData());
    }
    const int fd = ::open(encoded.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    // One write per line: with O_APPEND even other processes cannot split it.
    writeAll(fd, line);
    ::close(fd);
}

// The one thread that writes the log. It lives until the process ends and writes what is
// still queued before it goes.
class LogWriter final {
public:
    static LogWriter& instance()
    {
        static LogWriter writer;
        return writer;
    }

    void enqueue(PendingLine line)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(line));
            ++m_queued;
        }
        m_wake.notify_one();
    }

    void flush()
    {
        std::unique_lock lock(m_mutex);
        const quint64 target = m_queued;
        m_written.wait(lock, [&] { return m_done >= target; });
    }

    ~LogWriter()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

private:
    LogWriter()
        : m_thread([this] { run(); })
    {
    }

    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            PendingLine line = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            appendLine(line.path, redactSecrets(line.line).toUtf8());
            lock.lock();
            ++m_done;
            m_written.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    std::deque<PendingLine> m_queue;
    quint64 m_queued = 0;
    quint64 m_done = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace

QString debugLogLine(const QString& message, const QDateTime& time)
{
    return u'[' + time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + u"] " + message +
           u'\n';
}

void writeLog(const QString& message)
{
    LogWriter::instance().enqueue(
        {Configuration::debugLogPath(), debugLogLine(message, QDateTime::currentDateTime())});
}

void flushLog()
{
    LogWriter::instance().flush();
}

} // namespace korvane
