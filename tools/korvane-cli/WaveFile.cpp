// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveFile.h"

#include <QFile>
#include <QtEndian>

#include <cstring>

namespace korvane::cli {

namespace {

constexpr quint16 formatPcm = 1;
constexpr quint16 formatFloat = 3;
constexpr quint16 formatExtensible = 0xFFFE;
// Recordings longer than this are refused rather than read whole into memory.
constexpr qint64 largestFile = qint64(2) << 30;

quint16 u16(const char* at)
{
    return qFromLittleEndian<quint16>(at);
}

quint32 u32(const char* at)
{
    return qFromLittleEndian<quint32>(at);
}

QByteArray toInt16(const QByteArray& data, int bytesPerSample)
{
    const qsizetype count = data.size() / bytesPerSample;
    QByteArray out(count * 2, Qt::Uninitialized);
    auto* target = reinterpret_cast<qint16*>(out.data());
    const char* source = data.constData();
    for (qsizetype i = 0; i < count; ++i, source += bytesPerSample) {
        qint16 sample = 0;
        if (bytesPerSample == 1)
            sample = qint16((int(quint8(source[0])) - 128) << 8);
        else // The top two bytes of a little-endian 24- or 32-bit sample.
            sample = qFromLittleEndian<qint16>(source + bytesPerSample - 2);
        target[i] = sample;
    }
    return out;
}

} // namespace

std::variant<AudioBuffer, QString> readWaveFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot open ") + path + QStringLiteral(": ") + file.errorString();
    if (file.size() > largestFile)
        return path + QStringLiteral(" is too large to read.");
    const QByteArray bytes = file.readAll();
    const auto notWave = path + QStringLiteral(" is not a WAV file with PCM audio.");
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return notWave;

    quint16 encoding = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::optional<QByteArray> data;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const qsizetype size = u32(bytes.constData() + at + 4);
        const qsizetype body = at + 8;
        const qsizetype available = std::min<qsizetype>(size, bytes.size() - body);
        if (id == "fmt " && available >= 16) {
            const char* fmt = bytes.constData() + body;
            encoding = u16(fmt);
            channels = u16(fmt + 2);
            rate = int(u32(fmt + 4));
            bits = u16(fmt + 14);
            if (encoding == formatExtensible && available >= 26)
                encoding = u16(fmt + 24);
        } else if (id == "data") {
            // Streams written before their length was known say 0 or too much: take the rest.
            data = bytes.mid(body, size == 0 ? bytes.size() - body : available);
        }
        at = body + size + (size & 1);
    }
    const bool integer =
        encoding == formatPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    const bool floating = encoding == formatFloat && bits == 32;
    if (!data || channels < 1 || channels > 32 || rate < 1000 || rate > 384000 ||
        !(integer || floating))
        return notWave;

    const int bytesPerFrame = channels * bits / 8;
    data->truncate(data->size() - data->size() % bytesPerFrame);
    AudioBuffer buffer;
    buffer.format.sampleRate = rate;
    buffer.format.channelCount = channels;
    if (floating) {
        buffer.format.sampleType = AudioFormat::SampleType::float32;
        buffer.data = *data;
    } else {
        buffer.format.sampleType = AudioFormat::SampleType::int16;
        buffer.data = bits == 16 ? *data : toInt16(*data, bits / 8);
    }
    return buffer;
}

} // namespace korvane::cli
