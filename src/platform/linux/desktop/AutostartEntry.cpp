// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop/AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace korvane::AutostartEntry {

namespace {

QString configHome()
{
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::home().filePath(QStringLiteral(".config"));
}

// One argument of a desktop entry's Exec key: quoted when it holds anything but plain path
// characters, with the quoting rules' reserved characters escaped and % doubled.
QString execArgument(const QString& argument)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+,:@=-]+$"));
    QString escaped = argument;
    escaped.replace(u'%', QStringLiteral("%%"));
    if (plain.match(argument).hasMatch())
        return escaped;
    QString quoted;
    for (const QChar c : std::as_const(escaped)) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    // The entry's own string escapes: a backslash is written twice.
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    return u'"' + quoted + u'"';
}

} // namespace

QString path()
{
    return configHome() + QStringLiteral("/autostart/com.korva.Korvane.desktop");
}

bool exists()
{
    return QFileInfo(path()).isFile();
}

QString text(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.4\n"
                          "Name=Korvane\n"
                          "Comment=Listens for \"Hey Korva\" in the background\n"
                          "Exec=") +
           execArgument(program) +
           QStringLiteral(" --background\n"
                          "Icon=com.korva.Korvane\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n"
                          // After the panel, so the tray is there for the icon.
                          "X-KDE-autostart-after=panel\n");
}

Outcome write(const QString& program)
{
    const QString file = path();
    if (!QDir().mkpath(QFileInfo(file).path()))
        return Outcome::failure(QStringLiteral("Could not create the folder ") +
                                QFileInfo(file).path() +
                                QStringLiteral(" for the autostart entry."));
    QSaveFile save(file);
    if (!save.open(QIODevice::WriteOnly) || save.write(text(program).toUtf8()) < 0 ||
        !save.commit())
        return Outcome::failure(QStringLiteral("Could not write the autostart entry ") + file +
                                QStringLiteral(": ") + save.errorString());
    return Outcome::success();
}

Outcome remove()
{
    QFile file(path());
    if (!file.exists() || file.remove())
        return Outcome::success();
    return Outcome::failure(QStringLiteral("Could not remove the autostart entry ") +
                            file.fileName() + QStringLiteral(": ") + file.errorString());
}

} // namespace korvane::AutostartEntry
