// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/PageText.h"

#include <QStringDecoder>

namespace korvane {

std::optional<QString> decodeUtf8Page(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace korvane
