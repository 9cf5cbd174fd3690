#include "platform/linux/devtools/DevToolsMessage.h"
#include "platform/linux/devtools/DevToolsTargetList.h"
#include "platform/linux/devtools/RuntimeEvaluation.h"

#include <QJsonDocument>
#include <QTest>

using namespace korvane;

using TargetList = std::optional<QList<DevToolsTarget>>;
Q_DECLARE_METATYPE(TargetList)
using OptionalTarget = std::optional<DevToolsTarget>;
Q_DECLARE_METATYPE(OptionalTarget)
using OptionalReply = std::optional<DevToolsReply>;
Q_DECLARE_METATYPE(OptionalReply)
Q_DECLARE_METATYPE(EvaluationOutcome)

namespace {

DevToolsTarget page(QString id, QString url, QString socket)
{
    return {id, u"page"_qs, u"T"_qs, std::move(url), std::move(socket)};
}

QJsonObject object(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class DevToolsCodecsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void targetList_data();
    void targetList();
    void activePage_data();
    void activePage();
    void reply_data();
    void reply();
    void commandCarriesIdMethodAndParams();
    void evaluation_data();
    void evaluation();
};

void DevToolsCodecsTest::targetList_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<TargetList>("expected");

    QTest::newRow("pages and a worker")
        << QByteArray(R"([{"id":"A","type":"page","title":"T","url":"http://127.0.0.1:1/a",
                         "webSocketDebuggerUrl":"ws://127.0.0.1:9/devtools/page/A"},
                        {"id":"W","type":"service_worker","title":"T","url":"u",
                         "webSocketDebuggerUrl":"ws://x"}])")
        << TargetList(QList<DevToolsTarget>{
               page(u"A"_qs, u"http://127.0.0.1:1/a"_qs, u"ws://127.0.0.1:9/devtools/page/A"_qs),
               {u"W"_qs, u"service_worker"_qs, u"T"_qs, u"u"_qs, u"ws://x"_qs}});
    QTest::newRow("empty list") << QByteArray("[]") << TargetList(QList<DevToolsTarget>{});
    QTest::newRow("missing socket url, numbers for strings, stray entries")
        << QByteArray(R"([1, "x", null, {"id":7,"type":"page","title":"T","url":"u"}])")
        << TargetList(QList<DevToolsTarget>{{QString(), u"page"_qs, u"T"_qs, u"u"_qs, QString()}});
    QTest::newRow("malformed") << QByteArray(R"([{"id":"A",)") << TargetList();
    QTest::newRow("object, not a list")
        << QByteArray(R"({"id":"A","type":"page"})") << TargetList();
    QTest::newRow("html error page") << QByteArray("<html>404</html>") << TargetList();
    QTest::newRow("empty body") << QByteArray() << TargetList();
    QByteArray huge = "[\"" + QByteArray(DevToolsTargetList::maximumBytes, 'x') + "\"]";
    QTest::newRow("larger than the cap") << huge << TargetList();
}

void DevToolsCodecsTest::targetList()
{
    QFETCH(QByteArray, json);
    QFETCH(TargetList, expected);
    QCOMPARE(DevToolsTargetList::parse(json), expected);
}

void DevToolsCodecsTest::activePage_data()
{
    QTest::addColumn<QList<DevToolsTarget>>("targets");
    QTest::addColumn<OptionalTarget>("expected");

    const DevToolsTarget first = page(u"1"_qs, u"a"_qs, u"ws://1"_qs);
    const DevToolsTarget second = page(u"2"_qs, u"b"_qs, u"ws://2"_qs);
    const DevToolsTarget frame{u"F"_qs, u"iframe"_qs, u"T"_qs, u"f"_qs, u"ws://f"_qs};
    QTest::newRow("first page wins") << QList{first, second} << OptionalTarget(first);
    QTest::newRow("frames before the page are skipped")
        << QList{frame, second} << OptionalTarget(second);
    QTest::newRow("no page") << QList{frame} << OptionalTarget();
    QTest::newRow("nothing") << QList<DevToolsTarget>{} << OptionalTarget();
}

void DevToolsCodecsTest::activePage()
{
    QFETCH(QList<DevToolsTarget>, targets);
    QFETCH(OptionalTarget, expected);
    QCOMPARE(DevToolsTargetList::activePage(targets), expected);
}

void DevToolsCodecsTest::reply_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<OptionalReply>("expected");

    QTest::newRow("result") << uR"({"id":4,"result":{"frameId":"F"}})"_qs
                            << OptionalReply(DevToolsReply{4, object(R"({"frameId":"F"})"), {}});
    QTest::newRow("empty result") << uR"({"id":5,"result":{}})"_qs
                                  << OptionalReply(DevToolsReply{5, {}, {}});
    QTest::newRow("error")
        << uR"({"id":6,"error":{"code":-32000,"message":"Cannot navigate to invalid URL"}})"_qs
        << OptionalReply(DevToolsReply{6, {}, u"Cannot navigate to invalid URL"_qs});
    QTest::newRow("error without message")
        << uR"({"id":6,"error":{"code":-32000}})"_qs
        << OptionalReply(DevToolsReply{6, {}, u"The browser rejected the command."_qs});
    QTest::newRow("event") << uR"({"method":"Page.frameNavigated","params":{}})"_qs
                           << OptionalReply();
    QTest::newRow("neither result nor error")
        << uR"({"id":4,"method":"Page.enable"})"_qs << OptionalReply();
    QTest::newRow("id as text") << uR"({"id":"4","result":{}})"_qs << OptionalReply();
    QTest::newRow("fractional id") << uR"({"id":4.5,"result":{}})"_qs << OptionalReply();
    QTest::newRow("id past 2^53") << uR"({"id":1e300,"result":{}})"_qs << OptionalReply();
    QTest::newRow("malformed") << uR"({"id":4,"result":)"_qs << OptionalReply();
    QTest::newRow("array") << u"[1]"_qs << OptionalReply();
}

void DevToolsCodecsTest::reply()
{
    QFETCH(QString, text);
    QFETCH(OptionalReply, expected);
    QCOMPARE(DevToolsMessage::parseReply(text), expected);
}

void DevToolsCodecsTest::commandCarriesIdMethodAndParams()
{
    const QByteArray text =
        DevToolsMessage::command(12, u"Page.navigate"_qs, {{u"url"_qs, u"http://127.0.0.1/\""_qs}});
    const QJsonObject parsed = QJsonDocument::fromJson(text).object();
    QCOMPARE(parsed.value(u"id").toInteger(), 12);
    QCOMPARE(parsed.value(u"method").toString(), u"Page.navigate"_qs);
    QCOMPARE(parsed.value(u"params").toObject().value(u"url").toString(),
             u"http://127.0.0.1/\""_qs);
    // A command's own reply must be recognised by the same reader.
    QVERIFY(!DevToolsMessage::parseReply(QString::fromUtf8(text)).has_value());
}

void DevToolsCodecsTest::evaluation_data()
{
    QTest::addColumn<QJsonObject>("result");
    QTest::addColumn<EvaluationOutcome>("expected");

    QTest::newRow("string") << object(R"({"result":{"type":"string","value":"clicked:go"}})")
                            << EvaluationOutcome{QJsonValue(u"clicked:go"_qs), {}};
    QTest::newRow("number") << object(R"({"result":{"type":"number","value":3}})")
                            << EvaluationOutcome{QJsonValue(3), {}};
    QTest::newRow("undefined") << object(R"({"result":{"type":"undefined"}})")
                               << EvaluationOutcome{QJsonValue(QJsonValue::Undefined), {}};
    QTest::newRow("thrown error: first line of its description")
        << object(R"({"result":{"type":"object","subtype":"error"},
                      "exceptionDetails":{"text":"Uncaught","exception":{"description":
                      "TypeError: x is not a function\n    at <anonymous>:1:5"}}})")
        << EvaluationOutcome{QJsonValue(QJsonValue::Undefined),
                             u"TypeError: x is not a function"_qs};
    QTest::newRow("thrown value without description")
        << object(R"({"result":{"type":"string","value":"boom"},
                      "exceptionDetails":{"text":"Uncaught boom"}})")
        << EvaluationOutcome{QJsonValue(QJsonValue::Undefined), u"Uncaught boom"_qs};
    QTest::newRow("no result at all")
        << QJsonObject() << EvaluationOutcome{QJsonValue(QJsonValue::Undefined), {}};
}

void DevToolsCodecsTest::evaluation()
{
    QFETCH(QJsonObject, result);
    QFETCH(EvaluationOutcome, expected);
    const EvaluationOutcome outcome = RuntimeEvaluation::read(result);
    QCOMPARE(outcome.exception, expected.exception);
    QCOMPARE(outcome.value, expected.value);
}

QTEST_GUILESS_MAIN(DevToolsCodecsTest)
#include "tst_devtoolscodecs.moc"
