#include "realtime/RealtimeClientEvents.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace korvane;

Q_DECLARE_METATYPE(korvane::RealtimeClientEvents::TurnTaking)

class RealtimeClientEventsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void instructionsShape();
    void instructionLines_data();
    void instructionLines();
    void toolDefinition();
    void toolEnumsKeepTheirOrder_data();
    void toolEnumsKeepTheirOrder();
    void sessionUpdate_data();
    void sessionUpdate();
    void audioAppendIsOneLineOfBase64();
};

void RealtimeClientEventsTest::instructionsShape()
{
    const QString text = RealtimeClientEvents::instructions(u"/home/ada"_qs);
    QVERIFY(!text.endsWith(u'\n'));
    const QStringList lines = text.split(u'\n');
    QCOMPARE(lines.size(), 27);
    for (int number = 1; number <= 27; ++number) {
        const bool empty = number == 2 || number == 5 || number == 11 || number == 17;
        QVERIFY2(lines.at(number - 1).isEmpty() == empty, qPrintable(QString::number(number)));
    }
}

void RealtimeClientEventsTest::instructionLines_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("line");
    QTest::newRow("1") << 1 << u"You are Korvane, a Mac computer-use operator."_qs;
    QTest::newRow("15, the example file in this user's Downloads")
        << 15
        << u"- Spreadsheets or Charts: ALWAYS use `run_python_script` to programmatically build "
           "spreadsheet manipulations (.xlsx, .csv) or charts. Save the files to the user's "
           "Downloads directory (e.g. \"/home/ada/Downloads/sales.xlsx\" or similar) and output "
           "the [ARTIFACT:spreadsheet|path_to_file|Title|content] tag."_qs;
    QTest::newRow("16, quotes inside")
        << 16
        << u"- Presentations: If the user asks to create or open a presentation (such as Keynote, "
           "slide decks, or PowerPoint files): DO NOT try to generate a presentation file or "
           "python code. Instead, use the computer use commands to launch the \"Keynote\" "
           "application, and explain to the user that they can create slides there."_qs;
    QTest::newRow("24") << 24 << u"- Let the local computer-use result confirm what happened."_qs;
    QTest::newRow("27")
        << 27
        << u"- Silent Image Generation: When executing the `generate_image` action, DO NOT output "
           "any conversational text or speech (like \"Generating the image...\" or describing the "
           "image). Keep your response completely silent and let the generated image speak for "
           "itself."_qs;
}

void RealtimeClientEventsTest::instructionLines()
{
    QFETCH(int, number);
    QFETCH(QString, line);
    const QStringList lines = RealtimeClientEvents::instructions(u"/home/ada"_qs).split(u'\n');
    QCOMPARE(lines.value(number - 1), line);
}

void RealtimeClientEventsTest::toolDefinition()
{
    const QJsonObject tool = RealtimeClientEvents::computerUseToolDefinition();
    QCOMPARE(tool.value(u"type").toString(), u"function"_qs);
    QCOMPARE(tool.value(u"name").toString(), u"computer_use"_qs);
    QVERIFY(tool.value(u"description")
                .toString()
                .startsWith(u"Perform interactive operations on the user's macOS computer,"));
    const QJsonObject parameters = tool.value(u"parameters").toObject();
    QCOMPARE(parameters.value(u"type").toString(), u"object"_qs);
    QCOMPARE(parameters.value(u"required").toArray(), QJsonArray{u"action"_qs});
    QCOMPARE(parameters.value(u"additionalProperties"), QJsonValue(false));
    const QJsonObject properties = parameters.value(u"properties").toObject();
    QStringList names = properties.keys();
    names.sort();
    QStringList expected{u"action"_qs,       u"app_name"_qs,   u"url"_qs,   u"target_name"_qs,
                         u"text"_qs,         u"key"_qs,        u"query"_qs, u"prompt"_qs,
                         u"aspect_ratio"_qs, u"script_code"_qs};
    expected.sort();
    QCOMPARE(names, expected);
    for (const QString& name : std::as_const(names)) {
        const QJsonObject property = properties.value(name).toObject();
        QCOMPARE(property.value(u"type").toString(), u"string"_qs);
        QVERIFY2(!property.value(u"description").toString().isEmpty(), qPrintable(name));
        QCOMPARE(property.contains(u"enum"), name == u"action" || name == u"aspect_ratio");
    }
}

void RealtimeClientEventsTest::toolEnumsKeepTheirOrder_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<QStringList>("cases");
    QTest::newRow("action") << u"action"_qs
                            << QStringList{u"open_app"_qs,   u"open_url"_qs,
                                           u"inspect_ui"_qs, u"click"_qs,
                                           u"type"_qs,       u"press_key"_qs,
                                           u"search_web"_qs, u"generate_image"_qs,
                                           u"get_recipe"_qs, u"run_python_script"_qs};
    QTest::newRow("aspect_ratio") << u"aspect_ratio"_qs
                                  << QStringList{u"1:1"_qs, u"3:2"_qs, u"2:3"_qs, u"16:9"_qs,
                                                 u"9:16"_qs};
}

void RealtimeClientEventsTest::toolEnumsKeepTheirOrder()
{
    QFETCH(QString, property);
    QFETCH(QStringList, cases);
    const QJsonObject properties = RealtimeClientEvents::computerUseToolDefinition()
                                       .value(u"parameters")
                                       .toObject()
                                       .value(u"properties")
                                       .toObject();
    QStringList actual;
    const QJsonArray values = properties.value(property).toObject().value(u"enum").toArray();
    for (const QJsonValue& value : values)
        actual.append(value.toString());
    QCOMPARE(actual, cases);
}

void RealtimeClientEventsTest::sessionUpdate_data()
{
    QTest::addColumn<bool>("isVoice");
    QTest::addColumn<RealtimeClientEvents::TurnTaking>("turns");
    QTest::addColumn<QString>("modality");
    QTest::addColumn<QString>("turnDetection");
    QTest::newRow("voice") << true << RealtimeClientEvents::TurnTaking::serverDetected
                           << u"audio"_qs << uR"({"create_response":true,"type":"server_vad"})"_qs;
    QTest::newRow("voice, turns end when the key is let go")
        << true << RealtimeClientEvents::TurnTaking::heldKey << u"audio"_qs << u"null"_qs;
    // Text only says so, or a session that once spoke keeps answering in audio.
    QTest::newRow("text only") << false << RealtimeClientEvents::TurnTaking::serverDetected
                               << u"text"_qs << QString();
}

void RealtimeClientEventsTest::sessionUpdate()
{
    QFETCH(bool, isVoice);
    QFETCH(RealtimeClientEvents::TurnTaking, turns);
    QFETCH(QString, modality);
    QFETCH(QString, turnDetection);
    const QJsonObject event = RealtimeClientEvents::sessionUpdate(isVoice, u"Be brief."_qs, turns);
    QCOMPARE(event.keys(), (QStringList{u"session"_qs, u"type"_qs}));
    QCOMPARE(event.value(u"type").toString(), u"session.update"_qs);
    const QJsonObject session = event.value(u"session").toObject();
    QStringList expectedKeys{u"instructions"_qs, u"output_modalities"_qs, u"tool_choice"_qs,
                             u"tools"_qs, u"type"_qs};
    if (isVoice)
        expectedKeys.prepend(u"audio"_qs);
    QCOMPARE(session.keys(), expectedKeys);
    QCOMPARE(session.value(u"type").toString(), u"realtime"_qs);
    QCOMPARE(session.value(u"instructions").toString(), u"Be brief."_qs);
    QCOMPARE(session.value(u"tool_choice").toString(), u"auto"_qs);
    QCOMPARE(session.value(u"output_modalities").toArray(), QJsonArray{modality});
    QCOMPARE(session.value(u"tools").toArray(),
             QJsonArray{RealtimeClientEvents::computerUseToolDefinition()});
    if (!isVoice)
        return;
    const QJsonObject audio = session.value(u"audio").toObject();
    QCOMPARE(audio.keys(), QStringList{u"input"_qs});
    const QJsonObject input = audio.value(u"input").toObject();
    QCOMPARE(input.keys(), (QStringList{u"format"_qs, u"transcription"_qs, u"turn_detection"_qs}));
    // The rate must go out as an integer, not 24000.0.
    const QString text = RealtimeClientEvents::text(event);
    QVERIFY(text.contains(uR"("format":{"rate":24000,"type":"audio/pcm"})"_qs));
    QVERIFY(text.contains(uR"("transcription":{"model":"gpt-4o-mini-transcribe"})"_qs));
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
    const QJsonObject event = RealtimeClientEvents::inputAudioBufferAppend(pcm);
    QCOMPARE(event.value(u"type").toString(), u"input_audio_buffer.append"_qs);
    const QString audio = event.value(u"audio").toString();
    QVERIFY(!audio.contains(u'\n'));
    QCOMPARE(QByteArray::fromBase64(audio.toLatin1()), pcm);
}

QTEST_GUILESS_MAIN(RealtimeClientEventsTest)
#include "tst_realtimeclientevents.moc"
