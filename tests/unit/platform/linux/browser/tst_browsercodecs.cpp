// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/BiDiTabs.h"
#include "platform/linux/browser/BrowserLaunch.h"
#include "platform/linux/browser/FirefoxProfile.h"
#include "platform/linux/browser/FrontTab.h"
#include "platform/linux/browser/KnownBrowsers.h"
#include "platform/linux/browser/RemoteMessage.h"
#include "platform/linux/browser/RuntimeEvaluation.h"
#include "platform/linux/browser/host/LoopbackListener.h"

#include <QJsonDocument>
#include <QTest>

using namespace korvane;

using OptionalReply = std::optional<RemoteReply>;
using States = QList<FrontTab::State>;
using OptionalIndex = std::optional<qsizetype>;
using OptionalInode = std::optional<quint64>;

// What Korvane reads from browsers and their hosts, and the small decisions made on it, where
// the real browsers do not go: errors, odd answers, other browsers and other people's sockets.
class BrowserCodecsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void errorReplies()
    {
        QCOMPARE(RemoteMessage::parseReply(
                     R"({"id":6,"error":{"code":-32000,"message":"No target with given id"}})"),
                 OptionalReply(RemoteReply{6, {}, u"No target with given id"_qs}));
        // BiDi puts the message beside the error code.
        QCOMPARE(RemoteMessage::parseReply(R"({"type":"error","id":3,"error":"no such frame",
                                               "message":"Context C not found"})"),
                 OptionalReply(RemoteReply{3, {}, u"Context C not found"_qs}));
    }

    void frames()
    {
        MessageFrames frames(8);
        // Split across reads, several in one read, an empty one, one over the cap skipped whole.
        QCOMPARE(frames.append("{\"a\""), QList<QByteArray>());
        QCOMPARE(frames.append(QByteArrayView(":1}\0{}\0\0", 8)),
                 (QList<QByteArray>{"{\"a\":1}", "{}", ""}));
        QCOMPARE(frames.append("0123456"), QList<QByteArray>());
        QCOMPARE(frames.append(QByteArrayView("789abc\0ok\0", 10)), QList<QByteArray>{"ok"});
        QCOMPARE(frames.droppedMessages(), 1);
        QCOMPARE(MessageFrames::frame("{}"), QByteArray("{}\0", 3));
    }

    void thrownErrorsAndValuesWithoutJson()
    {
        const EvaluationOutcome thrown = RuntimeEvaluation::read(
            QJsonDocument::fromJson(R"({"result":{"type":"object","subtype":"error"},
                       "exceptionDetails":{"text":"Uncaught","exception":{"description":
                       "TypeError: x is not a function\n    at <anonymous>:1:5"}}})")
                .object());
        QCOMPARE(thrown.exception, u"TypeError: x is not a function"_qs);
        QCOMPARE(thrown.value, QJsonValue(QJsonValue::Undefined));
        QCOMPARE(BiDiTabs::plainValue(
                     QJsonDocument::fromJson(R"({"type":"number","value":"NaN"})").object()),
                 QJsonValue(QJsonValue::Undefined));
    }

    void frontTab()
    {
        // {visible, focused}: among visible tabs the focused one; one that claims focus while
        // hidden is not in front; when none is visible, no guess.
        QCOMPARE(FrontTab::choose(States{{true, false}, {false, false}, {true, true}}).index,
                 OptionalIndex(2));
        QCOMPARE(FrontTab::choose(States{{false, true}, {true, false}}).index, OptionalIndex(1));
        const FrontTab::Choice minimized = FrontTab::choose(States{{false, false}, {false, false}});
        QCOMPARE(minimized.index, OptionalIndex());
        QVERIFY(minimized.doubt);
    }

    void firefoxDefaultProfileIsTheEditionsOwn()
    {
        // Each install names its default, which beats the older Default=1.
        const QString ini = u"[Profile1]\nPath=aaa.default\nDefault=1\n"
                            u"[InstallA]\nDefault=ccc.default-release\n"
                            u"[InstallB]\nDefault=bbb.default-esr\n"_qs;
        QCOMPARE(FirefoxProfile::defaultProfile(ini, u"/ff"_qs, u"firefox-esr.desktop"_qs),
                 std::optional<QString>(u"/ff/bbb.default-esr"_qs));
    }

    void aProfileTheEntrySetsStays()
    {
        const QStringList command{u"chrome"_qs, u"--user-data-dir=/mine"_qs};
        const auto chrome = *KnownBrowsers::forDesktopId(u"google-chrome.desktop"_qs);
        const QStringList launched = BrowserLaunch::browserCommand(chrome, command, u"/p"_qs);
        QCOMPARE(launched.filter(u"--user-data-dir"_qs), QStringList{command.at(1)});
    }

    void loopbackListener_data()
    {
        QTest::addColumn<quint16>("port");
        QTest::addColumn<uint>("user");
        QTest::addColumn<OptionalInode>("expected");

        // Port 0xA5F3 = 42483 on 127.0.0.1, listening, user 1000, inode 4711.
        QTest::newRow("loopback listener") << quint16(42483) << 1000u << OptionalInode(4711);
        QTest::newRow("another user's") << quint16(42483) << 1001u << OptionalInode();
        QTest::newRow("only connected, not listening")
            << quint16(42484) << 1000u << OptionalInode();
        QTest::newRow("on every address, not loopback")
            << quint16(42485) << 1000u << OptionalInode();
    }

    void loopbackListener()
    {
        QFETCH(quint16, port);
        QFETCH(uint, user);
        QFETCH(OptionalInode, expected);
        const QString table =
            u"  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
            u"timeout inode\n"
            u"   0: 0100007F:A5F3 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000  "
            u"      0 4711 1 0000000000000000 100 0 0 10 0\n"
            u"   1: 0100007F:A5F4 0100007F:9C40 01 00000000:00000000 00:00000000 00000000  1000  "
            u"      0 4712 1 0000000000000000 20 4 30 10 -1\n"
            u"   2: 00000000:A5F5 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000  "
            u"      0 4713 1 0000000000000000 100 0 0 10 0\n"_qs;
        QCOMPARE(LoopbackListener::listeningInode(table, port, user), expected);
    }
};

QTEST_GUILESS_MAIN(BrowserCodecsTest)
#include "tst_browsercodecs.moc"
