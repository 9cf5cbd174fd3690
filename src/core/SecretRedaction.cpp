// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SecretRedaction.h"

#include "core/Configuration.h"
#include "core/LocalEnvironment.h"

namespace korvane {

namespace {

const QString redacted = QStringLiteral("[redacted]");

// "Bearer", white space, then the token: the token goes. Written out rather than as a regular
// expression so the log's writer thread may still use it while the process shuts down.
QString withoutBearerTokens(const QString& text)
{
    static constexpr QStringView bearer = u"Bearer";
    QString result;
    qsizetype copied = 0;
    qsizetype at = 0;
    while ((at = text.indexOf(bearer, at)) >= 0) {
        qsizetype spaceEnd = at + bearer.size();
        while (spaceEnd < text.size() && text.at(spaceEnd).isSpace())
            ++spaceEnd;
        qsizetype tokenEnd = spaceEnd;
        while (tokenEnd < text.size() && !text.at(tokenEnd).isSpace())
            ++tokenEnd;
        if (spaceEnd == at + bearer.size() || tokenEnd == spaceEnd) {
            at += bearer.size();
            continue;
        }
        result += QStringView(text).sliced(copied, at - copied);
        result += u"Bearer " + redacted;
        copied = at = tokenEnd;
    }
    if (copied == 0)
        return text;
    result += QStringView(text).sliced(copied);
    return result;
}

} // namespace

QString redactSecrets(QString text, const std::optional<QString>& apiKey)
{
    text = withoutBearerTokens(text);
    // A blank key would match everywhere; it is no secret anyway.
    if (apiKey && !apiKey->trimmed().isEmpty())
        text.replace(*apiKey, redacted);
    return text;
}

QString redactSecrets(const QString& text)
{
    return redactSecrets(text, LocalEnvironment::value(Configuration::apiKeyName));
}

} // namespace korvane
