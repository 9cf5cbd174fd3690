// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliOutput.h"

#include "CliCommands.h"
#include "core/SecretRedaction.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace korvane::cli {

namespace {

void writeLine(std::FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

// Nothing printed ever shows the API key, whoever wrote the text.
void printLine(const QString& line)
{
    writeLine(stdout, redactSecrets(line));
}

void printError(const QString& line)
{
    writeLine(stderr, redactSecrets(line));
}

QString compactJson(const QJsonValue& value)
{
    if (value.isObject())
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    if (value.isArray())
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    // A document holds only objects and arrays: wrap the scalar and cut the brackets off.
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

QString orderedObject(const QList<std::pair<QString, QJsonValue>>& fields)
{
    QString text = QStringLiteral("{");
    for (const auto& [key, value] : fields) {
        if (text.size() > 1)
            text += u',';
        text += compactJson(key) + u':' + compactJson(value);
    }
    return text + u'}';
}

QJsonValue optionalText(const std::optional<QString>& text)
{
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

QString artifactJson(const Artifact& artifact)
{
    return orderedObject({
        {QStringLiteral("kind"), rawValue(artifact.kind)},
        {QStringLiteral("title"), artifact.title},
        {QStringLiteral("status"), rawValue(artifact.status)},
        {QStringLiteral("body"), artifact.body},
        {QStringLiteral("imagePath"), optionalText(artifact.imagePath)},
    });
}

int usageError(const QString& synopsis)
{
    printError(QStringLiteral("usage: korvane-cli ") + synopsis);
    return exitUsage;
}

} // namespace korvane::cli
