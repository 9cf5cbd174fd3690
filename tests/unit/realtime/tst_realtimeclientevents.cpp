// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealtimeClientEvents.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <cmath>

using namespace korvane;
using TurnTaking = RealtimeClientEvents::TurnTaking;

namespace {

bool hasType(const QJsonValue& value, const QString& type)
{
    if (type == u"integer")
        return value.isDouble() && value.toDouble() == std::floor(value.toDouble());
    static const QHash<QString, QJsonValue::Type> types{
        {u"object"_qs, QJsonValue::Object}, {u"array"_qs, QJsonValue::Array},
        {u"string"_qs, QJsonValue::String}, {u"boolean"_qs, QJsonValue::Bool},
        {u"null"_qs, QJsonValue::Null},     {u"number"_qs, QJsonValue::Double}};
    return value.type() == types.value(type, QJsonValue::Undefined);
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
    void everyEventHasItsPublishedShape_data()
    {
        namespace Events = RealtimeClientEvents;
        QTest::addColumn<QJsonObject>("event");
        QTest::newRow("voice session")
            << Events::sessionUpdate(true, u"Hi"_qs, TurnTaking::serverDetected);
        QTest::newRow("held-key session")
            << Events::sessionUpdate(true, u"Hi"_qs, TurnTaking::heldKey);
        QTest::newRow("text session")
            << Events::sessionUpdate(false, u"Hi"_qs, TurnTaking::serverDetected);
        QTest::newRow("turns held") << Events::turnTakingUpdate(TurnTaking::heldKey);
        QTest::newRow("turns detected") << Events::turnTakingUpdate(TurnTaking::serverDetected);
        QTest::newRow("append") << Events::inputAudioBufferAppend(QByteArray(64, '\1'));
        QTest::newRow("clear") << Events::inputAudioBufferClear();
        QTest::newRow("commit") << Events::inputAudioBufferCommit();
        QTest::newRow("tool output") << Events::functionCallOutput(u"c1"_qs, u"Done."_qs);
        QTest::newRow("truncate") << Events::conversationItemTruncate(u"item_1"_qs, 0, 40);
        QTest::newRow("answer") << Events::responseCreate();
    }

    void everyEventHasItsPublishedShape()
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

    // The shapes allow either; only one is right.
    void outputModality_data()
    {
        QTest::addColumn<bool>("isVoice");
        QTest::addColumn<QString>("modality");
        QTest::newRow("voice") << true << u"audio"_qs;
        // Text only says so, or a session that once spoke keeps answering in audio.
        QTest::newRow("text only") << false << u"text"_qs;
    }

    void outputModality()
    {
        QFETCH(bool, isVoice);
        QFETCH(QString, modality);
        const QJsonObject event =
            RealtimeClientEvents::sessionUpdate(isVoice, u"Hi"_qs, TurnTaking::serverDetected);
        QCOMPARE(event.value(u"session").toObject().value(u"output_modalities").toArray(),
                 QJsonArray{modality});
    }
};

QTEST_GUILESS_MAIN(RealtimeClientEventsTest)
#include "tst_realtimeclientevents.moc"
