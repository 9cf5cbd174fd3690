// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/BrowserHostSockets.h"

#include "core/Outcome.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace korvane {

namespace {

// Creates `path` as a folder of this user's alone, or says why it is not one.
Outcome makePrivateFolder(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return Outcome::failure(u"Korvane could not create "_qs + path + u'.');
    struct stat status {};
    if (::lstat(native.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return Outcome::failure(path + u" is not a folder."_qs);
    if (status.st_uid != ::getuid())
        return Outcome::failure(path + u" belongs to another user."_qs);
    if ((status.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return Outcome::failure(u"Others may enter "_qs + path +
                                u", and Korvane could not change that."_qs);
    return Outcome::success();
}

constexpr qsizetype shortestName = 16;

// How long a socket's name may be in `folder`: an address holds sizeof(sun_path) - 1 bytes.
qsizetype nameBudget(const QString& folder)
{
    const qsizetype room = qsizetype(sizeof(sockaddr_un::sun_path)) - 1;
    return room - QFile::encodeName(folder).size() - qsizetype(sizeof("/.sock") - 1);
}

QString safeName(const QString& desktopId)
{
    QString name;
    name.reserve(desktopId.size());
    for (const QChar c : desktopId) {
        const bool kept =
            (c.unicode() < 0x80 && c.isLetterOrNumber()) || c == u'.' || c == u'-' || c == u'_';
        name.append(kept ? c : u'_');
    }
    // Never "." or "..", never hidden.
    if (name.startsWith(u'.'))
        name.prepend(u'_');
    return name;
}

} // namespace

BrowserHostSockets::Folder BrowserHostSockets::folder()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QStringList levels;
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::tempPath();
        levels << u"korvane-"_qs + QString::number(::getuid());
    } else {
        levels << u"korvane"_qs;
    }
    levels << u"browsers"_qs;
    QString path = QDir::cleanPath(base);
    for (const QString& level : std::as_const(levels)) {
        path += u'/' + level;
        if (const Outcome made = makePrivateFolder(path); !made)
            return {std::nullopt, made.error()};
    }
    if (nameBudget(path) < shortestName)
        return {std::nullopt, path + u" is too long a path for the browser connections."_qs};
    return {path, {}};
}

QString BrowserHostSockets::socketPath(const QString& folder, const QString& desktopId)
{
    return folder + u'/' + safeName(desktopId).left(nameBudget(folder)) + u".sock"_qs;
}

} // namespace korvane
