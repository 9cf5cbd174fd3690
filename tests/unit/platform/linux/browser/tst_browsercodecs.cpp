// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/BiDiTabs.h"
#include "platform/linux/browser/BrowserLaunch.h"
#include "platform/linux/browser/FirefoxProfile.h"
#include "platform/linux/browser/FrontTab.h"
#include "platform/linux/browser/KnownBrowsers.h"
#include "platform/linux/browser/RemoteMessage.h"
#include "platform/linux/browser/RuntimeEvaluation.h"
#include "platform/linux/browser/host/LoopbackListener.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace korvane;

using OptionalTarget = std::optional<BrowserTarget>;
Q_DECLARE_METATYPE(OptionalTarget)
using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)
using OptionalReply = std::optional<RemoteReply>;
Q_DECLARE_METATYPE(OptionalReply)
Q_DECLARE_METATYPE(EvaluationOutcome)
using States = QList<FrontTab::State>;
using OptionalIndex = std::optional<qsizetype>;
using OptionalInode = std::optional<quint64>;

namespace {

QJsonObject object(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

// What Korvane reads from browsers and their hosts, and the small decisions made on it.
class BrowserCodecsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void knownBrowsers_data();
    void knownBrowsers();
    void reply_data();
    void reply();
    void frames();
    void evaluation_data();
    void evaluation();
    void bidiValue_data();
    void bidiValue();
    void frontTab_data();
    void frontTab();
    void firefoxDefaultProfile_data();
    void firefoxDefaultProfile();
    void browserCommand_data();
    void browserCommand();
    void loopbackListener_data();
    void loopbackListener();
};

void BrowserCodecsTest::knownBrowsers_data()
{
    QTest::addColumn<OptionalText>("desktopId");
    QTest::addColumn<QString>("windowClass");
    QTest::addColumn<OptionalTarget>("expected");

    QTest::newRow("chromium") << OptionalText(u"chromium.desktop"_qs) << u"Chromium"_qs
                              << OptionalTarget(BrowserTarget{u"Chromium"_qs,
                                                              BrowserStyle::chromium, 7,
                                                              u"chromium.desktop"_qs});
    QTest::newRow("firefox takes the other dialect")
        << OptionalText(u"firefox-esr.desktop"_qs) << u"firefox-esr"_qs
        << OptionalTarget(BrowserTarget{u"Firefox ESR"_qs, BrowserStyle::safari, 7,
                                        u"firefox-esr.desktop"_qs});
    QTest::newRow("no entry: class in any case")
        << OptionalText() << u"BRAVE-BROWSER"_qs
        << OptionalTarget(BrowserTarget{u"Brave Browser"_qs, BrowserStyle::chromium, 7,
                                        u"brave-browser.desktop"_qs});
    QTest::newRow("desktop id must match whole")
        << OptionalText(u"chromium"_qs) << QString() << OptionalTarget();
}

void BrowserCodecsTest::knownBrowsers()
{
    QFETCH(OptionalText, desktopId);
    QFETCH(QString, windowClass);
    QFETCH(OptionalTarget, expected);
    QCOMPARE(KnownBrowsers::target(RunningApplication{desktopId, windowClass, 7}), expected);
}

void BrowserCodecsTest::reply_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<OptionalReply>("expected");

    QTest::newRow("devtools result")
        << QByteArray(R"({"id":4,"result":{"frameId":"F"}})")
        << OptionalReply(RemoteReply{4, object(R"({"frameId":"F"})"), {}});
    QTest::newRow("devtools error")
        << QByteArray(R"({"id":6,"error":{"code":-32000,"message":"No target with given id"}})")
        << OptionalReply(RemoteReply{6, {}, u"No target with given id"_qs});
    QTest::newRow("bidi success")
        << QByteArray(R"({"type":"success","id":2,"result":{"context":"C"}})")
        << OptionalReply(RemoteReply{2, object(R"({"context":"C"})"), {}});
    QTest::newRow("bidi error: the message beside the code")
        << QByteArray(
               R"({"type":"error","id":3,"error":"no such frame","message":"Context C not found"})")
        << OptionalReply(RemoteReply{3, {}, u"Context C not found"_qs});
    QTest::newRow("event") << QByteArray(
                                  R"({"type":"event","method":"log.entryAdded","params":{}})")
                           << OptionalReply();
    QTest::newRow("neither result nor error")
        << QByteArray(R"({"id":4,"method":"Page.enable"})") << OptionalReply();
    QTest::newRow("id as text") << QByteArray(R"({"id":"4","result":{}})") << OptionalReply();
    QTest::newRow("malformed") << QByteArray(R"({"id":4,"result":)") << OptionalReply();
}

void BrowserCodecsTest::reply()
{
    QFETCH(QByteArray, json);
    QFETCH(OptionalReply, expected);
    QCOMPARE(RemoteMessage::parseReply(json), expected);
}

void BrowserCodecsTest::frames()
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

void BrowserCodecsTest::evaluation_data()
{
    QTest::addColumn<QJsonObject>("result");
    QTest::addColumn<EvaluationOutcome>("expected");

    QTest::newRow("string") << object(R"({"result":{"type":"string","value":"clicked:go"}})")
                            << EvaluationOutcome{QJsonValue(u"clicked:go"_qs), {}};
    QTest::newRow("undefined") << object(R"({"result":{"type":"undefined"}})")
                               << EvaluationOutcome{QJsonValue(QJsonValue::Undefined), {}};
    QTest::newRow("thrown error: first line of its description")
        << object(R"({"result":{"type":"object","subtype":"error"},
                      "exceptionDetails":{"text":"Uncaught","exception":{"description":
                      "TypeError: x is not a function\n    at <anonymous>:1:5"}}})")
        << EvaluationOutcome{QJsonValue(QJsonValue::Undefined),
                             u"TypeError: x is not a function"_qs};
}

void BrowserCodecsTest::evaluation()
{
    QFETCH(QJsonObject, result);
    QFETCH(EvaluationOutcome, expected);
    const EvaluationOutcome outcome = RuntimeEvaluation::read(result);
    QCOMPARE(outcome.exception, expected.exception);
    QCOMPARE(outcome.value, expected.value);
}

void BrowserCodecsTest::bidiValue_data()
{
    QTest::addColumn<QJsonObject>("remote");
    QTest::addColumn<QJsonValue>("expected");

    QTest::newRow("string") << object(R"({"type":"string","value":"clicked:go"})")
                            << QJsonValue(u"clicked:go"_qs);
    QTest::newRow("the visibility probe's answer")
        << object(R"({"type":"array","value":[{"type":"string","value":"visible"},
                                              {"type":"boolean","value":true}]})")
        << QJsonValue(QJsonArray{QJsonValue(u"visible"_qs), QJsonValue(true)});
    QTest::newRow("NaN") << object(R"({"type":"number","value":"NaN"})")
                         << QJsonValue(QJsonValue::Undefined);
}

void BrowserCodecsTest::bidiValue()
{
    QFETCH(QJsonObject, remote);
    QFETCH(QJsonValue, expected);
    QCOMPARE(BiDiTabs::plainValue(remote), expected);
}

void BrowserCodecsTest::frontTab_data()
{
    QTest::addColumn<States>("tabs");
    QTest::addColumn<OptionalIndex>("index");

    // {visible, focused}
    QTest::newRow("one window, its tab")
        << States{{false, false}, {true, false}, {false, false}} << OptionalIndex(1);
    QTest::newRow("two windows, the focused one")
        << States{{true, false}, {false, false}, {true, true}} << OptionalIndex(2);
    QTest::newRow("minimized") << States{{false, false}, {false, false}} << OptionalIndex();
    // A page that claims focus while hidden is not in front.
    QTest::newRow("focus without visibility")
        << States{{false, true}, {true, false}} << OptionalIndex(1);
}

void BrowserCodecsTest::frontTab()
{
    QFETCH(States, tabs);
    QFETCH(OptionalIndex, index);
    const FrontTab::Choice choice = FrontTab::choose(tabs);
    QCOMPARE(choice.index, index);
    QCOMPARE(choice.doubt.has_value(), !index.has_value());
}

void BrowserCodecsTest::firefoxDefaultProfile_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("desktopId");
    QTest::addColumn<OptionalText>("expected");

    const QString profiles = u"[Profile1]\nName=default\nIsRelative=1\nPath=aaa.default\n"
                             u"Default=1\n\n[Profile0]\nName=default-esr\nIsRelative=1\n"
                             u"Path=bbb.default-esr\n\n[General]\nStartWithLastProfile=1\n"_qs;
    QTest::newRow("the install's default beats Default=1")
        << profiles + u"[Install3B6073811A6ABF12]\nDefault=bbb.default-esr\nLocked=1\n"_qs
        << u"firefox-esr.desktop"_qs << OptionalText(u"/ff/bbb.default-esr"_qs);
    QTest::newRow("two installs: the edition's own")
        << profiles +
               u"[InstallA]\nDefault=ccc.default-release\n[InstallB]\nDefault=bbb.default-esr\n"_qs
        << u"firefox-esr.desktop"_qs << OptionalText(u"/ff/bbb.default-esr"_qs);
    QTest::newRow("no install section: Default=1")
        << profiles << u"firefox.desktop"_qs << OptionalText(u"/ff/aaa.default"_qs);
    QTest::newRow("no default") << u"[Profile0]\nPath=x\n"_qs << u"firefox.desktop"_qs
                                << OptionalText();
}

void BrowserCodecsTest::firefoxDefaultProfile()
{
    QFETCH(QString, ini);
    QFETCH(QString, desktopId);
    QFETCH(OptionalText, expected);
    QCOMPARE(FirefoxProfile::defaultProfile(ini, u"/ff"_qs, desktopId), expected);
}

void BrowserCodecsTest::browserCommand_data()
{
    QTest::addColumn<QString>("desktopId");
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("chromium: pipe and Korvane's profile")
        << u"chromium.desktop"_qs << QStringList{u"/usr/bin/chromium"_qs}
        << QStringList{
               u"/usr/bin/chromium"_qs,          u"--remote-debugging-pipe"_qs,
               u"--user-data-dir=/p"_qs,         u"--no-first-run"_qs,
               u"--no-default-browser-check"_qs, u"--disable-backgrounding-occluded-windows"_qs};
    QTest::newRow("a profile the entry sets stays")
        << u"google-chrome.desktop"_qs
        << QStringList{u"chrome"_qs, u"--user-data-dir=/mine"_qs, u"--no-first-run"_qs}
        << QStringList{u"chrome"_qs,
                       u"--user-data-dir=/mine"_qs,
                       u"--no-first-run"_qs,
                       u"--remote-debugging-pipe"_qs,
                       u"--no-default-browser-check"_qs,
                       u"--disable-backgrounding-occluded-windows"_qs};
    QTest::newRow("firefox: the profile and a port of its choosing")
        << u"firefox-esr.desktop"_qs << QStringList{u"/usr/lib/firefox-esr/firefox-esr"_qs}
        << QStringList{u"/usr/lib/firefox-esr/firefox-esr"_qs, u"--profile"_qs, u"/p"_qs,
                       u"--remote-debugging-port=0"_qs};
}

void BrowserCodecsTest::browserCommand()
{
    QFETCH(QString, desktopId);
    QFETCH(QStringList, command);
    QFETCH(QStringList, expected);
    QCOMPARE(
        BrowserLaunch::browserCommand(*KnownBrowsers::forDesktopId(desktopId), command, u"/p"_qs),
        expected);
}

void BrowserCodecsTest::loopbackListener_data()
{
    QTest::addColumn<quint16>("port");
    QTest::addColumn<uint>("user");
    QTest::addColumn<OptionalInode>("expected");

    // Port 0xA5F3 = 42483 on 127.0.0.1, listening, user 1000, inode 4711.
    QTest::newRow("loopback listener") << quint16(42483) << 1000u << OptionalInode(4711);
    QTest::newRow("another user's") << quint16(42483) << 1001u << OptionalInode();
    QTest::newRow("only connected, not listening") << quint16(42484) << 1000u << OptionalInode();
    QTest::newRow("on every address, not loopback") << quint16(42485) << 1000u << OptionalInode();
}

void BrowserCodecsTest::loopbackListener()
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

QTEST_GUILESS_MAIN(BrowserCodecsTest)
#include "tst_browsercodecs.moc"
