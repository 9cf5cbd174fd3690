// SPDX-License-Identifier: GPL-3.0-or-later
// The whole chain on free text: the order of the parsers and of their steps decides what a
// text means, so most cases here are one example per ordering decision.
#include "CommandTestSupport.h"
#include "computeruse/command/CommandParsing.h"

#include <QTest>

using namespace korvane;
using C = ComputerUseCommand;
using Opt = std::optional<ComputerUseCommand>;

class CommandChainTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void chain_data();
    void chain();
    void thousandsOfConnectorsDoNotExhaustTheStack();
};

static Opt seq(QList<C> commands)
{
    return C::sequence(std::move(commands));
}

void CommandChainTest::chain_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Opt>("expected");

    auto row = [](const char* name, const char* text, Opt expected) {
        QTest::newRow(name) << QString::fromUtf8(text) << expected;
    };

    // Music comes first in the chain.
    row("music before everything", "display settings",
        C::music(MusicCommand::play(u"settings"_qs, MusicScope::library())));
    row("open music is music, not a launch", "open apple music app",
        C::music(MusicCommand::open()));

    // Interaction before launch.
    row("app then address", "open Safari and then go to example.com",
        seq({C::openApp(u"Safari"_qs), C::openURL(u"example.com"_qs)}));
    row("search found inside a launch", "open google chrome", C::searchWeb(u"chrome"_qs));
    row("empty", "   \n", std::nullopt);
    row("surrounding space trimmed", "  open Firefox \n", C::openApp(u"Firefox"_qs));

    // Compound parts may be music commands.
    row("compound with music", "pause the music and then open Notes",
        C::music(MusicCommand::pause()));
    row("compound music second", "open Notes and then pause the song",
        C::music(MusicCommand::pause()));
    row("nested compound", "open A then open B and open C",
        seq({C::openApp(u"A"_qs), seq({C::openApp(u"B"_qs), C::openApp(u"C"_qs)}).value()}));

    // The fallback: reached only when the interaction parser finds nothing.
    row("fallback search prefix", "search", std::nullopt);

    // "İ" lower-cases to two code units, so lower-case positions run ahead of the source.
    row("dotted capital before a connector", "open İİİİ and then go to example.com",
        seq({C::openApp(u"İİİİ"_qs), C::openURL(u"example.com"_qs)}));
    row("dotted capital in a typed text", "type İstanbul İİ into the İl field",
        C::typeTextIntoField(u"İstanbul İİ"_qs, u"İl"_qs));
    row("dotted capital in a click target", "click the İİİİİİİİ button",
        C::clickElement(u"İİİİİİİİ"_qs));
    row("surrogate pairs", "type 🎵🎵 into the 𝒜 field", C::typeTextIntoField(u"🎵🎵"_qs, u"𝒜"_qs));
    row("expanding letters at the end of a search", "search for İİİİİİ",
        C::searchWeb(u"İİİİİİ"_qs));
}

void CommandChainTest::chain()
{
    QFETCH(QString, text);
    QFETCH(Opt, expected);
    QCOMPARE(parseComputerUseCommand(text), expected);
}

void CommandChainTest::thousandsOfConnectorsDoNotExhaustTheStack()
{
    QString text;
    for (int i = 0; i < 30000; ++i)
        text += u"open Notes and "_qs;
    const Opt command = parseComputerUseCommand(text);
    QVERIFY(command);
    const auto* sequence = std::get_if<command::Sequence>(&command->value);
    QVERIFY(sequence);
    QCOMPARE(sequence->commands.first(), C::openApp(u"Notes"_qs));
}

QTEST_GUILESS_MAIN(CommandChainTest)
#include "tst_commandchain.moc"
