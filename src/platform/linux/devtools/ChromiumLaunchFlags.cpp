#include "platform/linux/devtools/ChromiumLaunchFlags.h"

#include "core/Configuration.h"
#include "platform/linux/devtools/KnownBrowsers.h"

#include <QDir>

namespace korvane {

namespace {

// "--user-data-dir=/x" → "--user-data-dir"
QStringView switchName(QStringView argument)
{
    const qsizetype equals = argument.indexOf(u'=');
    return equals < 0 ? argument : argument.first(equals);
}

} // namespace

QString ChromiumLaunchFlags::origin(quint16 port)
{
    return u"http://127.0.0.1:"_qs + QString::number(port);
}

QString ChromiumLaunchFlags::profileFolder()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    // The XDG rules ignore relative paths.
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::home().filePath(u".local/share"_qs);
    return QDir(dataHome).filePath(u"korvane/browser-profile"_qs);
}

QStringList ChromiumLaunchFlags::flags(quint16 port, const QString& profileFolder)
{
    return {
        u"--remote-debugging-port="_qs + QString::number(port),
        u"--remote-allow-origins="_qs + origin(port),
        u"--user-data-dir="_qs + profileFolder,
    };
}

QStringList ChromiumLaunchFlags::commandLine(const QString& desktopId, QStringList command)
{
    if (command.isEmpty() || !KnownBrowsers::isKnownDesktopId(desktopId))
        return command;
    const std::optional<quint16> port = Configuration::browserDebugPort();
    if (!port)
        return command;
    for (const QString& flag : flags(*port, profileFolder())) {
        const QStringView name = switchName(flag);
        const bool alreadySet =
            std::any_of(command.cbegin() + 1, command.cend(),
                        [name](const QString& argument) { return switchName(argument) == name; });
        if (!alreadySet)
            command.append(flag);
    }
    return command;
}

} // namespace korvane
