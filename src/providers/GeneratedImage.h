// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The pieces of image generation that need no network: the request body, the reply reader,
// the checks on downloaded bytes and the file the picture is written to.
namespace korvane::GeneratedImage {

// Exactly "model" "gpt-image-2", "prompt", "n" 1, "size" and "quality" "low"; compact.
QByteArray requestBody(const QString& prompt, const QString& size);

// The first element of "data" of an image-generation reply.
struct ReplyData {
    std::optional<QString> b64Json{};
    std::optional<QString> url{};

    friend bool operator==(const ReplyData&, const ReplyData&) = default;
};

// Absent unless the body is an object whose "data" is a non-empty array of objects.
std::optional<ReplyData> readReply(const QByteArray& body);

// The bytes of Base64 text, characters outside the alphabet ignored. Absent when what is left
// is not well-formed Base64, or decodes to nothing.
std::optional<QByteArray> decodeBase64(const QString& text);

// A downloaded body is taken for a picture when it starts with a PNG, JPEG, GIF or WebP
// signature, or comes labelled as an image; an error page is neither.
bool looksLikeImage(const QByteArray& bytes, const QByteArray& contentType);

// Where a new picture goes: GeneratedImage_<UUID, upper case>.png in the temporary folder.
// Relative when the temporary folder does not exist.
QString newFilePath();

struct WriteResult {
    // The written file's file:// address.
    std::optional<QString> address{};
    // Why writing failed, when it did.
    QString error{};
};

// Writes `bytes` to a new file at newFilePath(). Blocking: call it off the main thread.
WriteResult writeFile(const QByteArray& bytes);

} // namespace korvane::GeneratedImage
