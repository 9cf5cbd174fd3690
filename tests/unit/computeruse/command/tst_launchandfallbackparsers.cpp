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
    void launch()
    {
        const auto name = [](QString t) {
            return AppLaunchCommandParser::parse(t).value_or(QString());
        };
        QCOMPARE(name(u"launch my the notes application"_qs), u"notes"_qs);
        QCOMPARE(name(u"open the my notes"_qs), u"my notes"_qs);
        QCOMPARE(name(u"open my app"_qs), u"app"_qs);
        QCOMPARE(name(u"open"_qs), QString());
        QCOMPARE(name(u"opera"_qs), QString());
    }

    void fallback()
    {
        const auto parse = [](QString t) { return ComputerUseCommandFallbackParser::parse(t); };
        QCOMPARE(parse(u"go to a.com and click on the Buy then click Pay"_qs),
                 Opt(C::sequence(
                     {C::openURL(u"a.com"_qs), C::clickElement(u"the Buy then click Pay"_qs)})));
        QCOMPARE(parse(u"open settings and click Wi-Fi"_qs), Opt());
        QCOMPARE(parse(u"x and click y then open b.com"_qs), Opt());
        QCOMPARE(parse(u"search for ."_qs), Opt(C::searchWeb(u"for"_qs)));
    }
};

QTEST_GUILESS_MAIN(LaunchAndFallbackParsersTest)
#include "tst_launchandfallbackparsers.moc"
