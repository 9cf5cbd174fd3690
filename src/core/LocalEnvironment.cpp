// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/LocalEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace korvane::LocalEnvironment {

namespace {

const QString envFileName = QStringLiteral(".env.local");

QString environmentValue(const QString& key)
{
    return qEnvironmentVariable(key.toLocal8Bit().constData());
}

QStringView withoutQuotesAtEnds(QStringView text)
{
    const auto isQuote = [](QChar c) { return c == u'"' || c == u'\''; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isQuote(text[begin]))
        ++begin;
    while (end > begin && isQuote(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

void appendUnique(QStringList& files, const QString& path)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    if (!files.contains(clean))
        files.append(clean);
}

} // namespace

std::optional<QString> valueInText(const QString& key, QStringView text)
{
    for (QStringView rawLine : text.tokenize(u'\n')) {
        const QStringView line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        // The key is compared untrimmed: "KEY = value" does not match "KEY".
        if (line.first(equals) != key)
            continue;
        return withoutQuotesAtEnds(line.sliced(equals + 1)).toString();
    }
    return std::nullopt;
}

std::optional<QString> valueInFile(const QString& key, const QString& filePath)
{
    const QFileInfo info(filePath);
    // Devices and pipes could block or never end; only plain files are read.
    if (!info.isFile() || info.size() > maximumFileSize)
        return std::nullopt;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(maximumFileSize + 1);
    if (bytes.size() > maximumFileSize)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return valueInText(key, text);
}

QStringList candidateEnvFiles()
{
    QStringList files;
    if (qEnvironmentVariableIsSet("KORVANE_ENV_FILES")) {
        const QString list = qEnvironmentVariable("KORVANE_ENV_FILES");
        for (const QString& path : list.split(u':', Qt::SkipEmptyParts))
            appendUnique(files, path);
        return files;
    }

    // Never the working directory: a folder Korvane happens to start in (a cloned repository,
    // say) must not be able to point the service, and the key, somewhere else.
    if (QCoreApplication::instance()) {
        // The executable's folder stands where an application bundle would: its grandparent
        // is the checkout for a build folder, its parent the build folder itself.
        const QDir executableFolder(QCoreApplication::applicationDirPath());
        appendUnique(files, executableFolder.filePath(QStringLiteral("../../") + envFileName));
        appendUnique(files, executableFolder.filePath(QStringLiteral("../") + envFileName));
        // Installed, the program's shared data lies beside its bin folder.
        const QDir resources(executableFolder.filePath(QStringLiteral("../share/korvane")));
        if (resources.exists())
            appendUnique(files, resources.filePath(envFileName));
    }
    appendUnique(files, userEnvFile());
    return files;
}

QString userEnvFile()
{
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::home().filePath(QStringLiteral(".config"));
    return QDir::cleanPath(QDir(configHome).filePath(QStringLiteral("korvane/") + envFileName));
}

Lookup lookup(const QString& key)
{
    const QString fromEnvironment = environmentValue(key);
    if (!fromEnvironment.isEmpty())
        return {fromEnvironment, QStringLiteral("environment")};

    for (const QString& file : candidateEnvFiles()) {
        // The first matching line decides for its file; an empty value moves on to the next
        // file, never to a later line.
        std::optional<QString> found = valueInFile(key, file);
        if (found && !found->isEmpty())
            return {std::move(found), file};
    }
    return {};
}

std::optional<QString> value(const QString& key)
{
    return lookup(key).value;
}

} // namespace korvane::LocalEnvironment
