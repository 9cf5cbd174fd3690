// SPDX-License-Identifier: GPL-3.0-or-later
#include "providers/GeneratedImage.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QUuid>

namespace korvane::GeneratedImage {

QByteArray requestBody(const QString& prompt, const QString& size)
{
    const QJsonObject body{
        {QStringLiteral("model"), QStringLiteral("gpt-image-2")},
        {QStringLiteral("prompt"), prompt},
        {QStringLiteral("n"), 1},
        {QStringLiteral("size"), size},
        {QStringLiteral("quality"), QStringLiteral("low")},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

std::optional<ReplyData> readReply(const QByteArray& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return std::nullopt;
    const QJsonValue data = document.object().value(QLatin1String("data"));
    if (!data.isArray() || data.toArray().isEmpty())
        return std::nullopt;
    const QJsonArray items = data.toArray();
    for (const QJsonValue& item : items) {
        if (!item.isObject())
            return std::nullopt;
    }
    const QJsonObject first = items.first().toObject();
    ReplyData reply;
    if (const QJsonValue b64 = first.value(QLatin1String("b64_json")); b64.isString())
        reply.b64Json = b64.toString();
    if (const QJsonValue url = first.value(QLatin1String("url")); url.isString())
        reply.url = url.toString();
    return reply;
}

std::optional<QByteArray> decodeBase64(const QString& text)
{
    QByteArray alphabetOnly;
    alphabetOnly.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') ||
            u == u'+' || u == u'/' || u == u'=')
            alphabetOnly.append(static_cast<char>(u));
    }
    // Padding is required, as the services send it; a truncated transfer must not pass.
    if (alphabetOnly.isEmpty() || alphabetOnly.size() % 4 != 0)
        return std::nullopt;
    auto decoded =
        QByteArray::fromBase64Encoding(alphabetOnly, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty())
        return std::nullopt;
    return std::move(decoded.decoded);
}

bool looksLikeImage(const QByteArray& bytes, const QByteArray& contentType)
{
    if (bytes.isEmpty())
        return false;
    if (bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.startsWith("\xff\xd8\xff") ||
        bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a") ||
        (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP"))
        return true;
    return contentType.trimmed().toLower().startsWith("image/");
}

QString newFilePath()
{
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return QDir(QDir::tempPath()).filePath(u"GeneratedImage_" % uuid % u".png");
}

WriteResult writeFile(const QByteArray& bytes)
{
    const QString path = newFilePath();
    // A missing TMPDIR folder gives no temporary path at all; never fall back to the
    // working directory.
    if (!QDir::isAbsolutePath(path))
        return {.error = QStringLiteral("The temporary folder is not available.")};
    QFile file(path);
    // A fresh name never exists; refuse to follow anything planted under it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return {.error = file.errorString()};
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString error = file.errorString();
        file.close();
        file.remove();
        return {.error = error};
    }
    file.close();
    return {.address = QUrl::fromLocalFile(file.fileName()).toString()};
}

} // namespace korvane::GeneratedImage
