// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaggedAudioFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <fileref.h>
#include <tag.h>

namespace korvane::test {

namespace {

void appendLittleEndian32(QByteArray& bytes, quint32 value)
{
    char buffer[4];
    qToLittleEndian(value, buffer);
    bytes.append(buffer, 4);
}

void appendLittleEndian16(QByteArray& bytes, quint16 value)
{
    char buffer[2];
    qToLittleEndian(value, buffer);
    bytes.append(buffer, 2);
}

TagLib::String toTagLib(const QString& text)
{
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

} // namespace

bool TaggedAudioFiles::writeSilence(const QString& path, double seconds)
{
    constexpr quint32 rate = 8000;
    const auto samples = static_cast<quint32>(seconds * rate);
    const quint32 dataBytes = samples * 2;
    QByteArray bytes;
    bytes.append("RIFF");
    appendLittleEndian32(bytes, 36 + dataBytes);
    bytes.append("WAVEfmt ");
    appendLittleEndian32(bytes, 16);
    appendLittleEndian16(bytes, 1); // PCM
    appendLittleEndian16(bytes, 1); // mono
    appendLittleEndian32(bytes, rate);
    appendLittleEndian32(bytes, rate * 2);
    appendLittleEndian16(bytes, 2);
    appendLittleEndian16(bytes, 16);
    bytes.append("data");
    appendLittleEndian32(bytes, dataBytes);
    bytes.append(QByteArray(static_cast<qsizetype>(dataBytes), '\0'));

    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool TaggedAudioFiles::tag(const QString& path, const QString& title, const QString& artist,
                           const QString& album)
{
    const QByteArray encoded = QFile::encodeName(path);
    TagLib::FileRef file(encoded.constData(), false);
    if (file.isNull() || !file.tag())
        return false;
    if (!title.isNull())
        file.tag()->setTitle(toTagLib(title));
    if (!artist.isNull())
        file.tag()->setArtist(toTagLib(artist));
    if (!album.isNull())
        file.tag()->setAlbum(toTagLib(album));
    return file.save();
}

bool TaggedAudioFiles::writeTagged(const QString& path, const QString& title, const QString& artist,
                                   const QString& album, double seconds)
{
    return writeSilence(path, seconds) && tag(path, title, artist, album);
}

} // namespace korvane::test
