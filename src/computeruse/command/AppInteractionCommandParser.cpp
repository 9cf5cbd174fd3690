// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/command/AppInteractionCommandParser.h"

#include "computeruse/command/AppLaunchCommandParser.h"
#include "computeruse/command/CommandText.h"
#include "computeruse/command/MusicCommandParser.h"

namespace korvane {

namespace {

// Every list is tried in the order shown; the first phrase that works wins.
constexpr QStringView inspectPhrases[] = {u"inspect screen", u"inspect ui", u"show elements"};
constexpr QStringView connectors[] = {u" and then ", u" then ", u" and "};
constexpr QStringView urlOpeners[] = {u"go to ", u"open website ", u"open web site ", u"open url ",
                                      u"open "};
constexpr QStringView webAddressMarkers[] = {u".", u"http://", u"https://"};
constexpr QStringView blankDocumentPhrases[] = {u"new document", u"blank document",
                                                u"create document", u"create a document"};
constexpr QStringView closeWebsitePrefixes[] = {u"close website ",     u"close web site ",
                                                u"close url ",         u"close tab for ",
                                                u"close the tab for ", u"close "};
constexpr QStringView closeTabPhrases[] = {u"close tab", u"close the tab", u"close this tab",
                                           u"close current tab", u"close the current tab"};
constexpr QStringView webSearchPhrases[] = {u"search google for ",
                                            u"google ",
                                            u"search the web for ",
                                            u"search web for ",
                                            u"web search for ",
                                            u"search for ",
                                            u"search "};
constexpr QStringView focusPrefixes[] = {u"focus on ", u"focus the ",  u"focus ",   u"select the ",
                                         u"select ",   u"click into ", u"click in "};
constexpr QStringView clickPrefixes[] = {u"click on ", u"click the ", u"click ",
                                         u"tap on ",   u"tap the ",   u"tap "};
constexpr QStringView keyPrefixes[] = {u"press the ", u"press ", u"hit the ", u"hit "};
constexpr QStringView typePrefixes[] = {u"type ", u"enter ", u"write "};
constexpr QStringView typedIntoSeparators[] = {u" into the ", u" into ",   u" in the ",
                                               u" in ",       u" on the ", u" on "};
constexpr QStringView fillPrefixes[] = {u"fill the ", u"fill ", u"set the ", u"set "};
constexpr QStringView fillSeparators[] = {u" field to ", u" to ", u" with "};
constexpr QStringView clickTargetSuffixes[] = {u" menu item", u" button", u" link", u" menu",
                                               u" tab"};
constexpr QStringView fieldTargetSuffixes[] = {u" text field", u" search field", u" input field",
                                               u" field", u" box"};

// After "write ", these words ask for writing ("write me a poem", "write an email"), not for
// text to type.
constexpr QStringView writingRequestWords[] = {
    u"a",     u"an",      u"the", u"this", u"that", u"these", u"those",    u"some",
    u"any",   u"another", u"my",  u"your", u"his",  u"her",   u"its",      u"our",
    u"their", u"me",      u"us",  u"him",  u"them", u"you",   u"something"};

struct TextAndField {
    QString text;
    QString field;
};

// The first phrase of the list that the text starts with, if any.
std::optional<QStringView> firstPrefix(const CommandText& text, std::span<const QStringView> list)
{
    for (QStringView prefix : list) {
        if (text.startsWith(prefix))
            return prefix;
    }
    return std::nullopt;
}

// The address after the first opener that yields one, cut at the earliest connector.
std::optional<QString> addressAfterOpener(const CommandText& text)
{
    for (QStringView opener : urlOpeners) {
        const qsizetype position = text.indexOf(opener);
        if (position < 0)
            continue;
        CommandText rest = text.after(position, opener);
        qsizetype cut = -1;
        for (QStringView connector : connectors) {
            const qsizetype at = rest.indexOf(connector);
            if (at >= 0 && (cut < 0 || at < cut))
                cut = at;
        }
        if (cut >= 0)
            rest = rest.left(cut);
        const CommandText address = rest.trimmedPunctuation();
        if (!address.isEmpty())
            return address.toString();
    }
    return std::nullopt;
}

std::optional<QString> webURL(const CommandText& text)
{
    if (!text.containsAny(webAddressMarkers))
        return std::nullopt;
    return addressAfterOpener(text);
}

std::optional<QString> closeWebsiteURL(const CommandText& text)
{
    if (!text.containsAny(webAddressMarkers))
        return std::nullopt;
    for (QStringView prefix : closeWebsitePrefixes) {
        if (!text.startsWith(prefix))
            continue;
        const CommandText rest = text.after(0, prefix).trimmedPunctuation();
        if (!rest.isEmpty())
            return rest.toString();
    }
    return std::nullopt;
}

std::optional<QString> webSearchQuery(const CommandText& text)
{
    for (QStringView phrase : webSearchPhrases) {
        const qsizetype position = text.indexOf(phrase);
        if (position < 0)
            continue;
        const CommandText query = text.after(position, phrase).trimmedPunctuation();
        if (!query.isEmpty())
            return query.toString();
    }
    return std::nullopt;
}

// A prefix whose target comes out empty lets the next prefix try.
std::optional<QString> targetAfterPrefix(const CommandText& text,
                                         std::span<const QStringView> prefixes,
                                         std::span<const QStringView> suffixes)
{
    for (QStringView prefix : prefixes) {
        if (!text.startsWith(prefix))
            continue;
        const CommandText target =
            text.after(0, prefix).trimmedPunctuation().withoutMatchingQuotes().withoutSuffixes(
                suffixes);
        if (!target.isEmpty())
            return target.toString();
    }
    return std::nullopt;
}

std::optional<QString> focusFieldTarget(const CommandText& text)
{
    return targetAfterPrefix(text, focusPrefixes, fieldTargetSuffixes);
}

// The type prefix the text starts with, unless it is "write " asking for writing.
std::optional<QStringView> typePrefix(const CommandText& text)
{
    const std::optional<QStringView> prefix = firstPrefix(text, typePrefixes);
    if (prefix != u"write ")
        return prefix;
    const QStringView rest = text.lower().sliced(prefix->size());
    const qsizetype wordEnd = rest.indexOf(u' ');
    const QStringView word = wordEnd < 0 ? rest : rest.first(wordEnd);
    const bool asksForWriting =
        std::find(std::begin(writingRequestWords), std::end(writingRequestWords), word) !=
        std::end(writingRequestWords);
    return asksForWriting ? std::nullopt : prefix;
}

std::optional<QString> clickTarget(const CommandText& text)
{
    return targetAfterPrefix(text, clickPrefixes, clickTargetSuffixes);
}

std::optional<KeyboardKey> keyPress(const CommandText& text)
{
    const std::optional<QStringView> prefix = firstPrefix(text, keyPrefixes);
    if (!prefix)
        return std::nullopt;
    return KeyboardKey::parse(text.after(0, *prefix).trimmedPunctuation().source());
}

std::optional<QString> typedText(const CommandText& text)
{
    const std::optional<QStringView> prefix = typePrefix(text);
    if (!prefix)
        return std::nullopt;
    const CommandText typed = text.after(0, *prefix).withoutMatchingQuotes();
    if (typed.isEmpty())
        return std::nullopt;
    return typed.toString();
}

std::optional<TextAndField> fillFieldIntent(const CommandText& text)
{
    const std::optional<QStringView> prefix = firstPrefix(text, fillPrefixes);
    if (!prefix)
        return std::nullopt;
    const CommandText rest = text.after(0, *prefix);
    for (QStringView separator : fillSeparators) {
        const qsizetype position = rest.indexOf(separator);
        if (position < 0)
            continue;
        const CommandText field =
            rest.left(position).trimmedPunctuation().withoutMatchingQuotes().withoutSuffixes(
                fieldTargetSuffixes);
        const CommandText typed = rest.after(position, separator).withoutMatchingQuotes();
        if (!field.isEmpty() && !typed.isEmpty())
            return TextAndField{typed.toString(), field.toString()};
    }
    return std::nullopt;
}

std::optional<TextAndField> typedTextIntoField(const CommandText& text)
{
    const std::optional<QStringView> prefix = typePrefix(text);
    if (!prefix)
        return fillFieldIntent(text);
    const CommandText rest = text.after(0, *prefix);
    // From the end, so the text itself may hold "to" or "in": "type from A to B in notes".
    for (QStringView separator : typedIntoSeparators) {
        const qsizetype position = rest.lastIndexOf(separator);
        if (position < 0)
            continue;
        const CommandText typed = rest.left(position).withoutMatchingQuotes();
        const CommandText field = rest.after(position, separator)
                                      .trimmedPunctuation()
                                      .withoutMatchingQuotes()
                                      .withoutSuffixes(fieldTargetSuffixes);
        if (!typed.isEmpty() && !field.isEmpty())
            return TextAndField{typed.toString(), field.toString()};
    }
    return std::nullopt;
}

// After an address, clicking is tried before focusing, and there is no web search.
std::optional<ComputerUseCommand> parsePostURLAction(const CommandText& piece)
{
    const CommandText text = piece.trimmed();
    if (std::optional<QString> target = clickTarget(text))
        return ComputerUseCommand::clickElement(std::move(*target));
    if (std::optional<QString> target = focusFieldTarget(text))
        return ComputerUseCommand::focusField(std::move(*target));
    if (std::optional<TextAndField> typing = typedTextIntoField(text))
        return ComputerUseCommand::typeTextIntoField(std::move(typing->text),
                                                     std::move(typing->field));
    if (std::optional<QString> typed = typedText(text))
        return ComputerUseCommand::typeText(std::move(*typed));
    if (std::optional<KeyboardKey> key = keyPress(text))
        return ComputerUseCommand::pressKey(std::move(*key));
    return std::nullopt;
}

std::optional<ComputerUseCommand> parseURLActionSequence(const CommandText& text)
{
    for (QStringView connector : connectors) {
        const qsizetype position = text.indexOf(connector);
        if (position < 0)
            continue;
        const CommandText first = text.left(position);
        if (!first.containsAny(webAddressMarkers))
            continue;
        std::optional<QString> address = addressAfterOpener(first);
        if (!address)
            continue;
        std::optional<ComputerUseCommand> action =
            parsePostURLAction(text.after(position, connector));
        if (!action)
            continue;
        return ComputerUseCommand::sequence(
            {ComputerUseCommand::openURL(std::move(*address)), std::move(*action)});
    }
    return std::nullopt;
}

// One side of a compound: music, then this parser again, then an application launch.
std::optional<ComputerUseCommand> parseCompoundPart(const CommandText& part)
{
    if (std::optional<MusicCommand> music = MusicCommandParser::parse(part))
        return ComputerUseCommand::music(std::move(*music));
    if (std::optional<ComputerUseCommand> command = AppInteractionCommandParser::parse(part))
        return command;
    if (std::optional<QString> name = AppLaunchCommandParser::parse(part))
        return ComputerUseCommand::openApp(std::move(*name));
    return std::nullopt;
}

// Every connector nests one more compound; a pasted text with thousands of them would
// otherwise exhaust the stack. No spoken or typed command comes near this.
constexpr int maxCompoundDepth = 200;
thread_local int compoundDepth = 0;

struct CompoundDepthGuard {
    CompoundDepthGuard() { ++compoundDepth; }
    ~CompoundDepthGuard() { --compoundDepth; }
    CompoundDepthGuard(const CompoundDepthGuard&) = delete;
    CompoundDepthGuard& operator=(const CompoundDepthGuard&) = delete;
};

std::optional<ComputerUseCommand> parseCompound(const CommandText& text)
{
    if (compoundDepth >= maxCompoundDepth)
        return std::nullopt;
    const CompoundDepthGuard guard;
    for (QStringView connector : connectors) {
        const qsizetype position = text.indexOf(connector);
        if (position < 0)
            continue;
        std::optional<ComputerUseCommand> first = parseCompoundPart(text.left(position));
        if (!first)
            continue;
        std::optional<ComputerUseCommand> second =
            parseCompoundPart(text.after(position, connector));
        if (!second)
            continue;
        return ComputerUseCommand::sequence({std::move(*first), std::move(*second)});
    }
    return std::nullopt;
}

} // namespace

QString AppInteractionCommandParser::stripMatchingQuotes(QStringView from)
{
    return CommandText(from).withoutMatchingQuotes().toString();
}

QString AppInteractionCommandParser::stripClickTargetSuffixes(QStringView from)
{
    return CommandText(from).withoutSuffixes(clickTargetSuffixes).toString();
}

QString AppInteractionCommandParser::stripFieldTargetSuffixes(QStringView from)
{
    return CommandText(from).withoutSuffixes(fieldTargetSuffixes).toString();
}

std::optional<ComputerUseCommand> AppInteractionCommandParser::parse(QStringView text)
{
    return parse(CommandText(text));
}

std::optional<ComputerUseCommand> AppInteractionCommandParser::parse(const CommandText& piece)
{
    const CommandText text = piece.trimmed();

    if (text.containsAny(inspectPhrases) || text.equals(u"inspect"))
        return ComputerUseCommand::inspectUI();
    if (std::optional<ComputerUseCommand> sequence = parseURLActionSequence(text))
        return sequence;
    if (std::optional<ComputerUseCommand> compound = parseCompound(text))
        return compound;
    if (text.containsAny(blankDocumentPhrases))
        return ComputerUseCommand::createPagesDocument();
    // Before the close-tab phrases: "close tab." has a full stop, so it names a website.
    if (std::optional<QString> website = closeWebsiteURL(text))
        return ComputerUseCommand::closeWebsite(std::move(*website));
    for (QStringView phrase : closeTabPhrases) {
        if (text.equals(phrase))
            return ComputerUseCommand::closeActiveTab();
    }
    if (std::optional<QString> address = webURL(text))
        return ComputerUseCommand::openURL(std::move(*address));
    // Found anywhere, and before focus, click and typing: "research x" searches for "x".
    if (std::optional<QString> query = webSearchQuery(text))
        return ComputerUseCommand::searchWeb(std::move(*query));
    // Focus before click: "click into the name field" focuses "the name".
    if (std::optional<QString> target = focusFieldTarget(text))
        return ComputerUseCommand::focusField(std::move(*target));
    if (std::optional<QString> target = clickTarget(text))
        return ComputerUseCommand::clickElement(std::move(*target));
    if (std::optional<KeyboardKey> key = keyPress(text))
        return ComputerUseCommand::pressKey(std::move(*key));
    if (std::optional<TextAndField> typing = typedTextIntoField(text))
        return ComputerUseCommand::typeTextIntoField(std::move(typing->text),
                                                     std::move(typing->field));
    if (std::optional<QString> typed = typedText(text))
        return ComputerUseCommand::typeText(std::move(*typed));
    return std::nullopt;
}

} // namespace korvane
