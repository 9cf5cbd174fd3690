// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandTestSupport.h"
#include "computeruse/command/AppInteractionCommandParser.h"

#include <QTest>

using namespace korvane;
using C = ComputerUseCommand;
using Opt = std::optional<ComputerUseCommand>;

class AppInteractionCommandParserTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
};

static KeyboardKey key(const char* description)
{
    return *KeyboardKey::parse(QString::fromUtf8(description));
}

static Opt seq(QList<C> commands)
{
    return C::sequence(std::move(commands));
}

void AppInteractionCommandParserTest::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Opt>("expected");
    auto row = [](const char* name, const char* text, Opt expected) {
        QTest::newRow(name) << QString::fromUtf8(text) << expected;
    };

    // Inspect.
    row("inspect phrase anywhere, any case", "please inspect UI", C::inspectUI());
    row("inspector is not inspect", "inspector", std::nullopt);

    // An address followed by one action.
    row("address then click", "go to example.com and click on the Sign In button",
        seq({C::openURL(u"example.com"_qs), C::clickElement(u"the Sign In"_qs)}));
    row("after an address click beats focus", "open example.com then click into the name field",
        seq({C::openURL(u"example.com"_qs), C::clickElement(u"into the name field"_qs)}));
    row("address then typing into a field", "go to example.com and type bob into the user field",
        seq({C::openURL(u"example.com"_qs), C::typeTextIntoField(u"bob"_qs, u"user"_qs)}));

    // Blank documents, websites and tabs.
    row("blank document", "make a new document please", C::createPagesDocument());
    row("close tab with full stop names a website", "close tab.", C::closeWebsite(u"tab"_qs));
    row("close the current tab", "close the current tab", C::closeActiveTab());
    row("close tab with more words is nothing", "close the tab now", std::nullopt);

    // Addresses.
    row("address keeps its case and is cut at a connector",
        "open website Example.COM/Path, then something", C::openURL(u"Example.COM/Path"_qs));
    row("marker without an opener is no address", "search the web for best pizza nearby.",
        C::searchWeb(u"best pizza nearby"_qs));

    // Web search: anywhere, before focus, click and typing.
    row("search inside another word", "research dolphins", C::searchWeb(u"dolphins"_qs));
    row("google before search for", "search for google maps", C::searchWeb(u"maps"_qs));
    row("search phrase beats typing", "type hello into the search field",
        C::searchWeb(u"field"_qs));
    row("empty query lets the next phrase try", "google search kittens!",
        C::searchWeb(u"search kittens"_qs));

    // Focus before click.
    row("click into focuses", "click into the name field", C::focusField(u"the name"_qs));
    row("focus strips field suffixes", "focus on the email text field",
        C::focusField(u"the email"_qs));
    row("suffix needs its leading space", "focus the field", C::focusField(u"field"_qs));
    row("empty focus target lets the next prefix try", "focus the .", C::focusField(u"the"_qs));
    row("select with quotes", "select 'Name box'", C::focusField(u"Name"_qs));
    row("search inside a focus target wins", "select 'Search box'", C::searchWeb(u"box'"_qs));

    // Click.
    row("click the button", "click the OK button", C::clickElement(u"OK"_qs));
    row("several suffixes in turn", "click Save tab button", C::clickElement(u"Save"_qs));
    row("mixed quotes stay", "click \"Save'", C::clickElement(u"\"Save'"_qs));
    row("nothing left to click", "click the button", C::clickElement(u"button"_qs));

    // Keys: only the first key prefix.
    row("press a key", "press command shift t", C::pressKey(key("cmd shift t")));
    row("modifiers alone give no key", "press shift cmd", std::nullopt);

    // Typing.
    row("type into a field", "type hello world into the notes field",
        C::typeTextIntoField(u"hello world"_qs, u"notes"_qs));
    row("separators from the end", "type from A to B in the notes field",
        C::typeTextIntoField(u"from A to B"_qs, u"notes"_qs));
    row("fill phrasing", "set the name field to Alice",
        C::typeTextIntoField(u"Alice"_qs, u"name"_qs));
    row("typing without a field", "type 'hello there'", C::typeText(u"hello there"_qs));
    row("type text keeps inner space and case", "write  Dear Sir,", C::typeText(u"Dear Sir,"_qs));
    row("empty field lets the next separator try", "type hello in the .",
        C::typeTextIntoField(u"hello"_qs, u"the"_qs));
    row("no field at all falls back to plain typing", "type hello in", C::typeText(u"hello in"_qs));
    row("type prefix needs a space", "typewriter", std::nullopt);
    row("write an article asks the assistant", "Write a short note about green tea", std::nullopt);
    row("writing request never types into a field", "write an email on the desk", std::nullopt);

    // Compounds: two commands joined by the first connector that works.
    row("unparseable second part drops the compound", "click OK and then wave",
        C::clickElement(u"OK and then wave"_qs));

    row("plain words", "hello there", std::nullopt);
}

void AppInteractionCommandParserTest::parse()
{
    QFETCH(QString, text);
    QFETCH(Opt, expected);
    QCOMPARE(AppInteractionCommandParser::parse(text), expected);
}

QTEST_GUILESS_MAIN(AppInteractionCommandParserTest)
#include "tst_appinteractioncommandparser.moc"
