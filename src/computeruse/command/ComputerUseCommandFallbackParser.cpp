// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/command/ComputerUseCommandFallbackParser.h"

#include "computeruse/command/CommandText.h"

namespace korvane {

namespace {

constexpr QStringView urlOpeners[] = {u"open ", u"go to ", u"open website ", u"open web site ",
                                      u"open url "};
constexpr QStringView clickConnectors[] = {u" and click on ",   u" and click the ",
                                           u" and click ",      u" then click on ",
                                           u" then click the ", u" then click "};
constexpr QStringView searchPrefixes[] = {u"search the web for ", u"search web for ",
                                          u"search for ", u"google ", u"search "};

std::optional<ComputerUseCommand> urlClickSequence(const CommandText& text)
{
    // The opener that starts earliest; on equal starts the one listed first, so "open website
    // x.org" keeps "website" in the address.
    qsizetype openerStart = -1;
    QStringView opener;
    for (QStringView candidate : urlOpeners) {
        const qsizetype position = text.indexOf(candidate);
        if (position >= 0 && (openerStart < 0 || position < openerStart)) {
            openerStart = position;
            opener = candidate;
        }
    }
    if (openerStart < 0)
        return std::nullopt;

    const qsizetype addressStart = openerStart + opener.size();
    for (QStringView connector : clickConnectors) {
        const qsizetype position = text.indexOf(connector, addressStart);
        if (position < 0)
            continue;
        const CommandText address = text.between(addressStart, position).trimmedPunctuation();
        const CommandText target = text.after(position, connector).trimmedPunctuation();
        if (address.source().contains(u'.') && !target.isEmpty()) {
            return ComputerUseCommand::sequence(
                {ComputerUseCommand::openURL(address.toString()),
                 ComputerUseCommand::clickElement(target.toString())});
        }
    }
    return std::nullopt;
}

std::optional<ComputerUseCommand> simpleSearchQuery(const CommandText& text)
{
    for (QStringView prefix : searchPrefixes) {
        if (!text.startsWith(prefix))
            continue;
        const CommandText query = text.after(0, prefix).trimmedPunctuation();
        if (!query.isEmpty())
            return ComputerUseCommand::searchWeb(query.toString());
    }
    return std::nullopt;
}

} // namespace

std::optional<ComputerUseCommand> ComputerUseCommandFallbackParser::parse(QStringView text)
{
    return parse(CommandText(text));
}

std::optional<ComputerUseCommand> ComputerUseCommandFallbackParser::parse(const CommandText& piece)
{
    const CommandText text = piece.trimmed();
    if (std::optional<ComputerUseCommand> sequence = urlClickSequence(text))
        return sequence;
    return simpleSearchQuery(text);
}

} // namespace korvane
