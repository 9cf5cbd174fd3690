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

using OptionalTarget = std::optional<BrowserTarget>;
Q_DECLARE_METATYPE(OptionalTarget)
using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)
using OptionalReply = std::optional<RemoteReply>;
Q_DECLARE_METATYPE(OptionalReply)
using States = QList<FrontTab::State>;
using OptionalIndex = std::optional<qsizetype>;
using OptionalInode = std::optional<quint64>;

namespace {

QJsonObject object(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

// What Korvane reads from browsers and their hosts, and the small decisions made on it, where
// the real browsers do not go: errors, odd answers, other browsers and other people's sockets.
class BrowserCodecsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void knownBrowsers_data()
    {
        QTest::addColumn<OptionalText>("desktopId");
        QTest::addColumn<QString>("windowClass");
        QTest::addColumn<OptionalTarget>("expected");

        QTest::newRow("no entry: class in any case")
            << OptionalText() << u"BRAVE-BROWSER"_qs
            << OptionalTarget(BrowserTarget{u"Brave Browser"_qs, BrowserStyle::chromium, 7,
                                            u"brave-browser.desktop"_qs});
        QTest::newRow("desktop id must match whole")
            << OptionalText(u"chromium"_qs) << QString() << OptionalTarget();
    }

    void knownBrowsers()
    {
        QFETCH(OptionalText, desktopId);
        QFETCH(QString, windowClass);
        QFETCH(OptionalTarget, expected);
        QCOMPARE(KnownBrowsers::target(RunningApplication{desktopId, windowClass, 7}), expected);
    }

    void reply_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<OptionalReply>("expected");

        QTest::newRow("devtools error")
            << QByteArray(R"({"id":6,"error":{"code":-32000,"message":"No target with given id"}})")
            << OptionalReply(RemoteReply{6, {}, u"No target with given id"_qs});
        QTest::newRow("bidi error: the message beside the code")
            << QByteArray(R"({"type":"error","id":3,"error":"no such frame",
                             "message":"Context C not found"})")
            << OptionalReply(RemoteReply{3, {}, u"Context C not found"_qs});
        QTest::newRow("event") << QByteArray(R"({"type":"event","method":"log.entryAdded"})")
                               << OptionalReply();
        QTest::newRow("id as text") << QByteArray(R"({"id":"4","result":{}})") << OptionalReply();
    }

    void reply()
    {
        QFETCH(QByteArray, json);
        QFETCH(OptionalReply, expected);
        QCOMPARE(RemoteMessage::parseReply(json), expected);
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
        const EvaluationOutcome thrown =
            RuntimeEvaluation::read(object(R"({"result":{"type":"object","subtype":"error"},
                       "exceptionDetails":{"text":"Uncaught","exception":{"description":
                       "TypeError: x is not a function\n    at <anonymous>:1:5"}}})"));
        QCOMPARE(thrown.exception, u"TypeError: x is not a function"_qs);
        QCOMPARE(thrown.value, QJsonValue(QJsonValue::Undefined));
        QCOMPARE(BiDiTabs::plainValue(object(R"({"type":"number","value":"NaN"})")),
                 QJsonValue(QJsonValue::Undefined));
    }

    void frontTab_data()
    {
        QTest::addColumn<States>("tabs");
        QTest::addColumn<OptionalIndex>("index");

        // {visible, focused}
        QTest::newRow("two windows, the focused one")
            << States{{true, false}, {false, false}, {true, true}} << OptionalIndex(2);
        QTest::newRow("minimized") << States{{false, false}, {false, false}} << OptionalIndex();
        // A page that claims focus while hidden is not in front.
        QTest::newRow("focus without visibility")
            << States{{false, true}, {true, false}} << OptionalIndex(1);
    }

    void frontTab()
    {
        QFETCH(States, tabs);
        QFETCH(OptionalIndex, index);
        const FrontTab::Choice choice = FrontTab::choose(tabs);
        QCOMPARE(choice.index, index);
        QCOMPARE(choice.doubt.has_value(), !index.has_value());
    }

    void firefoxDefaultProfile_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<OptionalText>("expected");

        const QString profiles = u"[Profile1]\nName=default\nIsRelative=1\nPath=aaa.default\n"
                                 u"Default=1\n\n[Profile0]\nName=default-esr\nIsRelative=1\n"
                                 u"Path=bbb.default-esr\n\n[General]\nStartWithLastProfile=1\n"_qs;
        QTest::newRow("the install's default beats Default=1")
            << profiles + u"[Install3B6073811A6ABF12]\nDefault=bbb.default-esr\nLocked=1\n"_qs
            << OptionalText(u"/ff/bbb.default-esr"_qs);
        QTest::newRow("two installs: the edition's own")
            << profiles + u"[InstallA]\nDefault=ccc.default-release\n"
                          u"[InstallB]\nDefault=bbb.default-esr\n"_qs
            << OptionalText(u"/ff/bbb.default-esr"_qs);
        QTest::newRow("no default") << u"[Profile0]\nPath=x\n"_qs << OptionalText();
    }

    void firefoxDefaultProfile()
    {
        QFETCH(QString, ini);
        QFETCH(OptionalText, expected);
        QCOMPARE(FirefoxProfile::defaultProfile(ini, u"/ff"_qs, u"firefox-esr.desktop"_qs),
                 expected);
    }

    void aProfileTheEntrySetsStays()
    {
        const QStringList command{u"chrome"_qs, u"--user-data-dir=/mine"_qs, u"--no-first-run"_qs};
        const QStringList added{u"--remote-debugging-pipe"_qs, u"--no-default-browser-check"_qs,
                                u"--disable-backgrounding-occluded-windows"_qs};
        const auto chrome = *KnownBrowsers::forDesktopId(u"google-chrome.desktop"_qs);
        QCOMPARE(BrowserLaunch::browserCommand(chrome, command, u"/p"_qs), command + added);
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
