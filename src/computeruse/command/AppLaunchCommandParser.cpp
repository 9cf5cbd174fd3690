// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/command/AppLaunchCommandParser.h"

#include "computeruse/command/CommandText.h"

namespace korvane {

namespace {

constexpr QStringView launchVerbs[] = {u"open ", u"launch ", u"start "};

// "my " and then, independently, "the ": "my the notes" still names "notes".
CommandText withoutLeadingArticles(CommandText text)
{
    if (text.startsWith(u"my "))
        text = text.mid(3);
    if (text.startsWith(u"the "))
        text = text.mid(4);
    return text.trimmed();
}

CommandText withoutAppSuffix(CommandText text)
{
    if (text.endsWith(u" application"))
        return text.left(text.lower().size() - 12).trimmed();
    if (text.endsWith(u" app"))
        return text.left(text.lower().size() - 4).trimmed();
    return text;
}

} // namespace

QString AppLaunchCommandParser::stripLeadingArticles(QStringView from)
{
    return withoutLeadingArticles(CommandText(from)).toString();
}

QString AppLaunchCommandParser::stripAppSuffix(QStringView from)
{
    return withoutAppSuffix(CommandText(from)).toString();
}

std::optional<QString> AppLaunchCommandParser::parse(QStringView text)
{
    return parse(CommandText(text));
}

std::optional<QString> AppLaunchCommandParser::parse(const CommandText& piece)
{
    const CommandText text = piece.trimmed();
    for (QStringView verb : launchVerbs) {
        if (!text.startsWith(verb))
            continue;
        const CommandText name =
            withoutAppSuffix(withoutLeadingArticles(text.after(0, verb).trimmed()));
        if (name.isEmpty())
            return std::nullopt;
        return name.toString();
    }
    return std::nullopt;
}

} // namespace korvane
