// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/FirefoxProfile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QSaveFile>

namespace korvane {

namespace {

struct IniSection {
    QString name{};
    QHash<QString, QString> values{};
};

QList<IniSection> readIni(QStringView text)
{
    QList<IniSection> sections;
    for (QStringView line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            sections.append({line.sliced(1, line.size() - 2).toString(), {}});
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && !sections.isEmpty())
            sections.last().values.insert(line.first(equals).trimmed().toString(),
                                          line.sliced(equals + 1).trimmed().toString());
    }
    return sections;
}

QString dataHome()
{
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::home().filePath(u".local/share"_qs);
}

// Which profile name an edition creates ("xxxx.default-esr" for Firefox ESR).
QString editionSuffix(const QString& desktopId)
{
    return desktopId.startsWith(u"firefox-esr") ? u".default-esr"_qs : u".default-release"_qs;
}

} // namespace

QString FirefoxProfile::profilesFolder()
{
    const QString legacy = QDir::home().filePath(u".mozilla/firefox"_qs);
    if (QFile::exists(legacy + u"/profiles.ini"_qs))
        return legacy;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::home().filePath(u".config"_qs);
    return QDir(config).filePath(u"mozilla/firefox"_qs);
}

std::optional<QString> FirefoxProfile::defaultProfile(QStringView profilesIni,
                                                      const QString& folder,
                                                      const QString& desktopId)
{
    const QList<IniSection> sections = readIni(profilesIni);
    const auto resolve = [&](const QString& path, bool relative) {
        return QDir::cleanPath(relative ? QDir(folder).filePath(path) : path);
    };
    // Each installation of Firefox keeps its own default; relative paths are the norm there.
    QStringList installDefaults;
    for (const IniSection& section : sections) {
        if (section.name.startsWith(u"Install") && !section.values.value(u"Default"_qs).isEmpty())
            installDefaults.append(section.values.value(u"Default"_qs));
    }
    if (installDefaults.size() > 1) {
        const QString suffix = editionSuffix(desktopId);
        const auto fitting =
            std::find_if(installDefaults.cbegin(), installDefaults.cend(),
                         [&](const QString& path) { return path.endsWith(suffix); });
        if (fitting != installDefaults.cend())
            return resolve(*fitting, !QDir::isAbsolutePath(*fitting));
    }
    if (!installDefaults.isEmpty())
        return resolve(installDefaults.first(), !QDir::isAbsolutePath(installDefaults.first()));
    for (const IniSection& section : sections) {
        if (section.name.startsWith(u"Profile") && section.values.value(u"Default"_qs) == u"1" &&
            !section.values.value(u"Path"_qs).isEmpty())
            return resolve(section.values.value(u"Path"_qs),
                           section.values.value(u"IsRelative"_qs) != u"0");
    }
    return std::nullopt;
}

QString FirefoxProfile::ownProfile()
{
    return QDir(dataHome()).filePath(u"korvane/firefox-profile"_qs);
}

QString FirefoxProfile::keepSettingsLine()
{
    return u"user_pref(\"remote.prefs.recommended\", false);"_qs;
}

bool FirefoxProfile::keepPersonSettings(const QString& profile)
{
    const QString path = QDir(profile).filePath(u"user.js"_qs);
    QByteArray existing;
    if (QFile file(path); file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return false;
        existing = file.readAll();
    }
    if (existing.contains("\"remote.prefs.recommended\""))
        return true;
    // The person's own lines stay as they are; Korvane's goes after them.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!existing.isEmpty() && !existing.endsWith('\n'))
        existing.append('\n');
    existing.append("// Added by Korvane: Firefox keeps your settings while Korvane drives it.\n");
    existing.append(keepSettingsLine().toUtf8() + '\n');
    file.write(existing);
    return file.commit();
}

FirefoxProfile::Choice FirefoxProfile::forLaunch(const QString& desktopId)
{
    Choice choice;
    const QString folder = profilesFolder();
    QFile ini(folder + u"/profiles.ini"_qs);
    if (ini.open(QIODevice::ReadOnly)) {
        const std::optional<QString> personal =
            defaultProfile(QString::fromUtf8(ini.readAll()), folder, desktopId);
        if (personal && QDir(*personal).exists()) {
            choice.path = personal;
            choice.personal = true;
        }
    }
    if (!choice.path) {
        const QString own = ownProfile();
        if (!QDir().mkpath(own)) {
            choice.failure = u"Korvane could not create its Firefox profile "_qs + own + u'.';
            return choice;
        }
        QFile::setPermissions(own, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
        choice.path = own;
    }
    if (!keepPersonSettings(*choice.path)) {
        choice.failure = u"Korvane could not write user.js in the Firefox profile "_qs +
                         *choice.path + u", so it does not start Firefox under remote control."_qs;
        choice.path.reset();
    }
    return choice;
}

} // namespace korvane
