// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/xdg/DesktopEntry.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

namespace korvane {

namespace {

// Entries are small; anything larger is not one.
constexpr qint64 maximumEntryBytes = 1024 * 1024;

QString messagesLocale()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

// Name[key] candidates, most specific first: lang_COUNTRY@MOD, lang_COUNTRY, lang@MOD, lang.
QStringList localeKeys(QString locale)
{
    QString modifier;
    if (const qsizetype at = locale.indexOf(u'@'); at >= 0) {
        modifier = locale.mid(at + 1);
        locale.truncate(at);
    }
    if (const qsizetype dot = locale.indexOf(u'.'); dot >= 0)
        locale.truncate(dot);
    QString country;
    if (const qsizetype underscore = locale.indexOf(u'_'); underscore >= 0) {
        country = locale.mid(underscore + 1);
        locale.truncate(underscore);
    }
    const QString& language = locale;
    if (language.isEmpty() || language == u"C" || language == u"POSIX")
        return {};
    QStringList keys;
    if (!country.isEmpty() && !modifier.isEmpty())
        keys << language + u'_' + country + u'@' + modifier;
    if (!country.isEmpty())
        keys << language + u'_' + country;
    if (!modifier.isEmpty())
        keys << language + u'@' + modifier;
    keys << language;
    return keys;
}

// The escapes of a string value: \s \n \t \r \\.
QString unescaped(QStringView value)
{
    QString text;
    text.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            text.append(c);
            continue;
        }
        const QChar next = value[++i];
        if (next == u's')
            text.append(u' ');
        else if (next == u'n')
            text.append(u'\n');
        else if (next == u't')
            text.append(u'\t');
        else if (next == u'r')
            text.append(u'\r');
        else
            text.append(next);
    }
    return text;
}

bool isTrue(const QString& value)
{
    return value.trimmed() == u"true";
}

} // namespace

bool DesktopEntry::isLaunchable() const
{
    if (hidden || noDisplay || type != u"Application")
        return false;
    if (!tryExec.isEmpty()) {
        const bool found = tryExec.startsWith(u'/')
                               ? QFileInfo(tryExec).isExecutable()
                               : !QStandardPaths::findExecutable(tryExec).isEmpty();
        if (!found)
            return false;
    }
    return true;
}

std::optional<QStringList> splitExecLine(const QString& exec)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size()) {
                const QChar next = exec[i + 1];
                // Inside quotes only these four are escaped.
                if (next == u'"' || next == u'`' || next == u'$' || next == u'\\') {
                    word.append(next);
                    ++i;
                } else {
                    word.append(c);
                }
            } else {
                word.append(c);
            }
            continue;
        }
        if (c == u'"') {
            quoted = true;
            inWord = true;
        } else if (c == u' ' || c == u'\t') {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else if (c == u'%' && i + 1 < exec.size()) {
            const QChar code = exec[++i];
            if (code == u'%') {
                word.append(u'%');
                inWord = true;
            }
            // Every other field code stands for files, addresses or icons we never pass.
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inWord)
        words.append(word);
    return words;
}

QStringList DesktopEntry::commandLine() const
{
    return splitExecLine(exec).value_or(QStringList{});
}

QString DesktopEntry::executableName() const
{
    const QStringList words = commandLine();
    if (words.isEmpty())
        return {};
    QString program = words.first();
    // "env VAR=x program" starts the program through env.
    if (QFileInfo(program).fileName() == u"env") {
        for (qsizetype i = 1; i < words.size(); ++i) {
            if (!words.at(i).contains(u'=') && !words.at(i).startsWith(u'-')) {
                program = words.at(i);
                break;
            }
        }
    }
    return QFileInfo(program).fileName();
}

std::optional<DesktopEntry> readDesktopEntry(const QString& filePath, const QString& id,
                                             const QString& locale)
{
    QFile file(filePath);
    if (!QFileInfo(filePath).isFile() || QFileInfo(filePath).size() > maximumEntryBytes ||
        !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(file.readAll());
    if (decoder.hasError())
        return std::nullopt;

    const QStringList wantedLocales = localeKeys(locale.isEmpty() ? messagesLocale() : locale);
    DesktopEntry entry;
    entry.id = id;
    entry.filePath = filePath;
    bool inMainGroup = false;
    bool sawMainGroup = false;
    qsizetype nameRank = wantedLocales.size() + 1;
    for (QStringView rawLine : QStringView(text).tokenize(u'\n')) {
        const QStringView line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.first(equals).trimmed().toString();
        const QString value = unescaped(line.sliced(equals + 1).trimmed());
        if (key == u"Name") {
            if (nameRank > wantedLocales.size()) {
                entry.name = value;
                nameRank = wantedLocales.size();
            }
        } else if (key.startsWith(u"Name[") && key.endsWith(u']')) {
            const qsizetype rank = wantedLocales.indexOf(key.mid(5, key.size() - 6));
            if (rank >= 0 && rank < nameRank) {
                entry.name = value;
                nameRank = rank;
            }
        } else if (key == u"Type") {
            entry.type = value;
        } else if (key == u"Exec") {
            entry.exec = value;
        } else if (key == u"TryExec") {
            entry.tryExec = value;
        } else if (key == u"Path") {
            entry.workingDirectory = value;
        } else if (key == u"StartupWMClass") {
            entry.startupWMClass = value;
        } else if (key == u"Hidden") {
            entry.hidden = isTrue(value);
        } else if (key == u"NoDisplay") {
            entry.noDisplay = isTrue(value);
        }
    }
    if (!sawMainGroup)
        return std::nullopt;
    return entry;
}

} // namespace korvane
