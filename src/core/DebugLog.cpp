#include "core/DebugLog.h"

#include "core/Configuration.h"
#include "core/LocalEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace korvane {

namespace {

QMutex& logMutex()
{
    static QMutex mutex;
    return mutex;
}

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

} // namespace

QString debugLogLine(const QString& message, const QDateTime& time)
{
    return u'[' + time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + u"] " + message +
           u'\n';
}

QString redactSecrets(const QString& message)
{
    static const QRegularExpression bearer(QStringLiteral("Bearer\\s+\\S+"));
    static const QString redacted = QStringLiteral("[redacted]");
    QString result = message;
    result.replace(bearer, u"Bearer " + redacted);
    const std::optional<QString> key = LocalEnvironment::value(Configuration::apiKeyName);
    if (key && !key->trimmed().isEmpty())
        result.replace(*key, redacted);
    return result;
}

void writeLog(const QString& message)
{
    const QByteArray line =
        debugLogLine(redactSecrets(message), QDateTime::currentDateTime()).toUtf8();
    const QString path = Configuration::debugLogPath();

    QMutexLocker locker(&logMutex());
    QDir().mkpath(QFileInfo(path).absolutePath());
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    // One write per line: with O_APPEND even other processes cannot split it.
    writeAll(fd, line);
    ::close(fd);
}

} // namespace korvane
