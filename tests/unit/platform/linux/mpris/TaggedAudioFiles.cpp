// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaggedAudioFiles.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fileref.h>
#include <tag.h>

namespace korvane::test {

namespace {

TagLib::String toTagLib(const QString& text)
{
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

bool writeSilence(const QString& path, double seconds)
{
    constexpr quint32 rate = 8000;
    const auto dataBytes = static_cast<quint32>(seconds * rate) * 2;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    // The RIFF header of 16-bit mono PCM, then silence.
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << quint32(rate * 2) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    bytes.append(QByteArray(static_cast<qsizetype>(dataBytes), '\0'));

    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

bool TaggedAudioFiles::writeTagged(const QString& path, const QString& title, const QString& artist,
                                   const QString& album, double seconds)
{
    if (!writeSilence(path, seconds))
        return false;
    if (title.isNull())
        return true;
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

} // namespace korvane::test
