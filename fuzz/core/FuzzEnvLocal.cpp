// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the .env.local line rules, as a file and as decoded text.
#include "core/LocalEnvironment.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    // The key is taken from the input too, so matching lines actually occur.
    const QString key = text.section(u'=', 0, 0).trimmed();
    (void)korvane::LocalEnvironment::valueInText(key, text);
    (void)korvane::LocalEnvironment::valueInText(QStringLiteral("OPENAI_API_KEY"), text);

    QTemporaryFile file;
    if (file.open()) {
        file.write(bytes);
        file.flush();
        (void)korvane::LocalEnvironment::valueInFile(key, file.fileName());
    }
    return 0;
}
