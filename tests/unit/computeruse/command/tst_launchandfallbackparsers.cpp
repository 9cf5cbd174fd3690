// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandTestSupport.h"
#include "computeruse/command/AppLaunchCommandParser.h"
#include "computeruse/command/ComputerUseCommandFallbackParser.h"

#include <QTest>

using namespace korvane;
using C = ComputerUseCommand;
using Opt = std::optional<ComputerUseCommand>;

class LaunchAndFallbackParsersTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void launch_data();
    void launch();
    void fallback_data();
    void fallback();
};

void LaunchAndFallbackParsersTest::launch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // empty: nothing
    QTest::newRow("app suffix") << u"open the calculator app"_qs << u"calculator"_qs;
    QTest::newRow("both articles") << u"launch my the notes application"_qs << u"notes"_qs;
    QTest::newRow("articles in the other order stay") << u"open the my notes"_qs << u"my notes"_qs;
    QTest::newRow("only application suffix once") << u"open app app"_qs << u"app"_qs;
    QTest::newRow("verb alone") << u"open"_qs << QString();
    QTest::newRow("verb glued to the name") << u"opera"_qs << QString();
    QTest::newRow("name made only of the suffix") << u"open my app"_qs << u"app"_qs;
}

void LaunchAndFallbackParsersTest::launch()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(AppLaunchCommandParser::parse(text).value_or(QString()), expected);
}

void LaunchAndFallbackParsersTest::fallback_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Opt>("expected");
    QTest::newRow("earliest opener, list order on ties")
        << u"open website example.org then click Login"_qs
        << Opt(C::sequence({C::openURL(u"website example.org"_qs), C::clickElement(u"Login"_qs)}));
    QTest::newRow("click connector order")
        << u"go to a.com and click on the Buy then click Pay"_qs
        << Opt(C::sequence(
               {C::openURL(u"a.com"_qs), C::clickElement(u"the Buy then click Pay"_qs)}));
    QTest::newRow("address needs a dot") << u"open settings and click Wi-Fi"_qs << Opt();
    QTest::newRow("connector before the opener is ignored")
        << u"x and click y then open b.com"_qs << Opt();
    QTest::newRow("search prefix")
        << u"Search the web for kittens?"_qs << Opt(C::searchWeb(u"kittens"_qs));
    QTest::newRow("empty query lets the next prefix try")
        << u"search for ."_qs << Opt(C::searchWeb(u"for"_qs));
}

void LaunchAndFallbackParsersTest::fallback()
{
    QFETCH(QString, text);
    QFETCH(Opt, expected);
    QCOMPARE(ComputerUseCommandFallbackParser::parse(text), expected);
}

QTEST_GUILESS_MAIN(LaunchAndFallbackParsersTest)
#include "tst_launchandfallbackparsers.moc"
