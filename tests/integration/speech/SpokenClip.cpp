// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpokenClip.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cstdint>
#include <cstring>

namespace korvane::test {

namespace {

bool run(const QString& program, const QStringList& arguments, QString* whyNot)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        if (whyNot)
            *whyNot = program + u" is not installed"_qs;
        return false;
    }
    QProcess process;
    process.start(path, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (whyNot)
            *whyNot =
                program + u" failed: "_qs + QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    return true;
}

} // namespace

std::optional<QByteArray> renderSpeech(const QString& text, int sampleRate,
                                       const QString& directory, QString* whyNot)
{
    const QDir dir(directory);
    const QString wav = dir.filePath(u"speech.wav"_qs);
    const QString raw = dir.filePath(u"speech.raw"_qs);
    if (!run(u"espeak-ng"_qs,
             {u"-v"_qs, u"en-us+klatt"_qs, u"-s"_qs, u"140"_qs, u"-w"_qs, wav, text}, whyNot))
        return std::nullopt;
    if (!run(u"sox"_qs,
             {wav, u"-r"_qs, QString::number(sampleRate), u"-c"_qs, u"1"_qs, u"-b"_qs, u"16"_qs,
              u"-e"_qs, u"signed-integer"_qs, u"-t"_qs, u"raw"_qs, raw},
             whyNot))
        return std::nullopt;
    QFile file(raw);
    if (!file.open(QIODevice::ReadOnly)) {
        if (whyNot)
            *whyNot = u"sox wrote no audio"_qs;
        return std::nullopt;
    }
    const QByteArray speech = file.readAll();

    const qsizetype leadIn = qsizetype(sampleRate) * 3 / 10;
    const qsizetype trailing = sampleRate;
    const qsizetype speechSamples = speech.size() / 2;
    QByteArray pcm(2 * (leadIn + speechSamples + trailing), '\0');
    std::memcpy(pcm.data() + 2 * leadIn, speech.constData(), size_t(2 * speechSamples));
    // Perfect digital silence is nothing a microphone gives, and voice detectors treat it oddly.
    std::uint32_t seed = 12345;
    auto* samples = reinterpret_cast<std::int16_t*>(pcm.data());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = int(seed >> 24) - 128; // about -50 dB
        samples[i] = std::int16_t(qBound(-32768, samples[i] + noise * 3 / 4, 32767));
    }
    return pcm;
}

bool writeWave(const QString& path, const QByteArray& mono, int sampleRate, int channels)
{
    QFile raw(path + u".raw"_qs);
    if (!raw.open(QIODevice::WriteOnly) || raw.write(mono) != mono.size())
        return false;
    raw.close();
    return run(u"sox"_qs,
               {u"-t"_qs, u"raw"_qs, u"-r"_qs, QString::number(sampleRate), u"-e"_qs,
                u"signed-integer"_qs, u"-b"_qs, u"16"_qs, u"-c"_qs, u"1"_qs, raw.fileName(),
                u"-c"_qs, QString::number(channels), path},
               nullptr);
}

} // namespace korvane::test
