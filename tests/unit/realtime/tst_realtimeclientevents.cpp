// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealtimeClientEvents.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <cmath>

using namespace korvane;
using TurnTaking = RealtimeClientEvents::TurnTaking;

Q_DECLARE_METATYPE(korvane::RealtimeClientEvents::TurnTaking)

namespace {

bool hasType(const QJsonValue& value, QStringView type)
{
    if (type == u"object")
        return value.isObject();
    if (type == u"array")
        return value.isArray();
    if (type == u"string")
        return value.isString();
    if (type == u"boolean")
        return value.isBool();
    if (type == u"null")
        return value.isNull();
    if (type == u"number")
        return value.isDouble();
    return type == u"integer" && value.isDouble() &&
           value.toDouble() == std::floor(value.toDouble());
}

// Where `value` departs from `schema`, the shapes file's subset of JSON Schema.
void checkShape(const QJsonValue& value, const QJsonObject& schema, const QJsonObject& definitions,
                const QString& path, QStringList& problems)
{
    if (schema.contains(u"$ref")) {
        checkShape(value, definitions.value(schema.value(u"$ref").toString()).toObject(),
                   definitions, path, problems);
        return;
    }
    if (schema.contains(u"type")) {
        const QJsonValue type = schema.value(u"type");
        const QJsonArray types = type.isArray() ? type.toArray() : QJsonArray{type};
        if (std::none_of(types.begin(), types.end(), [&value](const QJsonValue& each) {
                return hasType(value, each.toString());
            })) {
            problems.append(path + u" is not of type "_qs +
                            QString::fromUtf8(QJsonDocument(types).toJson(QJsonDocument::Compact)));
            return;
        }
    }
    if (schema.contains(u"enum") && !schema.value(u"enum").toArray().contains(value))
        problems.append(path + u" holds a value outside its enumeration"_qs);
    const QJsonObject properties = schema.value(u"properties").toObject();
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (const QJsonValue& required : schema.value(u"required").toArray()) {
            if (!object.contains(required.toString()))
                problems.append(path + u"."_qs + required.toString() + u" is missing"_qs);
        }
        for (auto member = object.begin(); member != object.end(); ++member) {
            const QString memberPath = path + u'.' + member.key();
            if (properties.contains(member.key()))
                checkShape(member.value(), properties.value(member.key()).toObject(), definitions,
                           memberPath, problems);
            else if (schema.value(u"additionalProperties") == QJsonValue(false))
                problems.append(memberPath + u" is not a published member"_qs);
        }
    }
    if (value.isArray() && schema.contains(u"items")) {
        const QJsonArray items = value.toArray();
        for (qsizetype i = 0; i < items.size(); ++i)
            checkShape(items.at(i), schema.value(u"items").toObject(), definitions,
                       path + u'[' + QString::number(i) + u']', problems);
    }
}

} // namespace

class RealtimeClientEventsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyEventHasItsPublishedShape_data();
    void everyEventHasItsPublishedShape();
    void sessionUpdate_data();
    void sessionUpdate();
    void audioAppendIsOneLineOfBase64();
};

void RealtimeClientEventsTest::everyEventHasItsPublishedShape_data()
{
    namespace Events = RealtimeClientEvents;
    QTest::addColumn<QJsonObject>("event");
    QTest::newRow("voice session")
        << Events::sessionUpdate(true, u"Hi"_qs, TurnTaking::serverDetected);
    QTest::newRow("held-key session") << Events::sessionUpdate(true, u"Hi"_qs, TurnTaking::heldKey);
    QTest::newRow("text session") << Events::sessionUpdate(false, u"Hi"_qs,
                                                           TurnTaking::serverDetected);
    QTest::newRow("turns held") << Events::turnTakingUpdate(TurnTaking::heldKey);
    QTest::newRow("turns detected") << Events::turnTakingUpdate(TurnTaking::serverDetected);
    QTest::newRow("append") << Events::inputAudioBufferAppend(QByteArray(64, '\1'));
    QTest::newRow("clear") << Events::inputAudioBufferClear();
    QTest::newRow("commit") << Events::inputAudioBufferCommit();
    QTest::newRow("tool output") << Events::functionCallOutput(u"c1"_qs, u"Done."_qs);
    QTest::newRow("truncate") << Events::conversationItemTruncate(u"item_1"_qs, 0, 40);
    QTest::newRow("answer") << Events::responseCreate();
}

void RealtimeClientEventsTest::everyEventHasItsPublishedShape()
{
    QFETCH(QJsonObject, event);
    QFile file(QFINDTESTDATA("realtime-client-events.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject shapes = QJsonDocument::fromJson(file.readAll()).object();
    const QString type = event.value(u"type").toString();
    const QJsonObject shape = shapes.value(u"events").toObject().value(type).toObject();
    QVERIFY2(!shape.isEmpty(), qPrintable(type + u" has no published shape"_qs));
    QStringList problems;
    checkShape(event, shape, shapes.value(u"definitions").toObject(), type, problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"; "_qs)));
}

void RealtimeClientEventsTest::sessionUpdate_data()
{
    QTest::addColumn<bool>("isVoice");
    QTest::addColumn<TurnTaking>("turns");
    QTest::addColumn<QString>("modality");
    QTest::addColumn<QString>("turnDetection");
    QTest::newRow("voice") << true << TurnTaking::serverDetected << u"audio"_qs
                           << uR"({"create_response":true,"type":"server_vad"})"_qs;
    QTest::newRow("voice, turns end when the key is let go")
        << true << TurnTaking::heldKey << u"audio"_qs << u"null"_qs;
    // Text only says so, or a session that once spoke keeps answering in audio.
    QTest::newRow("text only") << false << TurnTaking::serverDetected << u"text"_qs << QString();
}

void RealtimeClientEventsTest::sessionUpdate()
{
    QFETCH(bool, isVoice);
    QFETCH(TurnTaking, turns);
    QFETCH(QString, modality);
    QFETCH(QString, turnDetection);
    const QJsonObject event = RealtimeClientEvents::sessionUpdate(isVoice, u"Be brief."_qs, turns);
    const QJsonObject session = event.value(u"session").toObject();
    QCOMPARE(session.value(u"instructions").toString(), u"Be brief."_qs);
    QCOMPARE(session.value(u"output_modalities").toArray(), QJsonArray{modality});
    QCOMPARE(session.value(u"tools").toArray(),
             QJsonArray{RealtimeClientEvents::computerUseToolDefinition()});
    QCOMPARE(session.contains(u"audio"), isVoice);
    if (!isVoice)
        return;
    // The rate must go out as an integer, not 24000.0.
    const QString text = RealtimeClientEvents::text(event);
    QVERIFY(text.contains(uR"("format":{"rate":24000,"type":"audio/pcm"})"_qs));
    QVERIFY(text.contains(u"\"turn_detection\":"_qs + turnDetection));
    // Switching detection alone says nothing else about the session.
    QCOMPARE(RealtimeClientEvents::text(RealtimeClientEvents::turnTakingUpdate(turns)),
             uR"({"session":{"audio":{"input":{"turn_detection":)"_qs + turnDetection +
                 uR"(}},"type":"realtime"},"type":"session.update"})"_qs);
}

void RealtimeClientEventsTest::audioAppendIsOneLineOfBase64()
{
    QByteArray pcm(4096, '\0');
    for (int i = 0; i < pcm.size(); ++i)
        pcm[i] = char(i * 7);
    const QString audio =
        RealtimeClientEvents::inputAudioBufferAppend(pcm).value(u"audio").toString();
    QVERIFY(!audio.contains(u'\n'));
    QCOMPARE(QByteArray::fromBase64(audio.toLatin1()), pcm);
}

QTEST_GUILESS_MAIN(RealtimeClientEventsTest)
#include "tst_realtimeclientevents.moc"
