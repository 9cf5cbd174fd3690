// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFakes.h"

#include <QTest>

using namespace korvane;
using namespace korvane::test;

using Generations = QList<std::pair<QString, QString>>;
// How the image generator behaves in a row.
enum Generator { working, failing, absent };

class PromptSubmissionTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void composerKeepsWhatWasNotSent();
    void commandSummaryAppearsOnceAfterItsUserMessage_data();
    void commandSummaryAppearsOnceAfterItsUserMessage();
    void commandInVoiceModeIsSpoken();
    void assistantRoundTripSelectsTheLastArtifact();
    void actions_data();
    void actions();
    void proposedScriptAsksFirst_data();
    void proposedScriptAsksFirst();
    void lateResultLandsInTheNewSession();
    void generatedImage_data();
    void generatedImage();
    void slideImages_data();
    void slideImages();
    void imageGenerationsAreBounded();
    void generationForRemovedArtifactIsDropped();
};

void PromptSubmissionTest::composerKeepsWhatWasNotSent()
{
    AppModelHarness h;
    const QString blank = QStringLiteral("  \n\t \r\n ");
    h.submit(blank);
    QCOMPARE(h.model->promptText(), blank);
    QVERIFY(h.model->messages().isEmpty());

    // While an answer is on its way, the next prompt stays in the composer.
    h.assistant->gate.close();
    h.submit(QStringLiteral("first"));
    QVERIFY(h.model->isResponding());
    QCOMPARE(h.model->promptText(), QString());
    h.submit(QStringLiteral("second"));
    QCOMPARE(h.model->promptText(), QStringLiteral("second"));
    h.assistant->gate.open();
    QVERIFY(h.waitForQuiet());
    QCOMPARE(h.assistant->requests.size(), 1);
    QCOMPARE(contents(h.model->messages()), (QStringList{u"first"_qs, u"Hello."_qs}));
}

void PromptSubmissionTest::commandSummaryAppearsOnceAfterItsUserMessage_data()
{
    QTest::addColumn<bool>("sessionActive");
    QTest::newRow("no realtime session") << false;
    QTest::newRow("realtime session connected") << true;
}

void PromptSubmissionTest::commandSummaryAppearsOnceAfterItsUserMessage()
{
    QFETCH(bool, sessionActive);
    AppModelHarness h;
    h.realtime->active = sessionActive;
    const Artifact image{.kind = ArtifactKind::image,
                         .status = ArtifactStatus::running,
                         .body = u"1536x1024|a fox"_qs};
    h.computerUse->results = {{.summary = u"Generating."_qs, .artifact = image}};

    h.submit(QStringLiteral("  open image \n"));
    QVERIFY(h.waitForQuiet());
    h.submit(QStringLiteral("open terminal"));
    QVERIFY(h.waitForQuiet());

    // Typed into the window, so they act on the application used before it.
    QCOMPARE(h.computerUse->typedCommands, (QStringList{u"open image"_qs, u"open terminal"_qs}));
    QVERIFY(h.assistant->requests.isEmpty());
    QCOMPARE(contents(h.model->messages()),
             (QStringList{u"open image"_qs, u"Generating."_qs, u"open terminal"_qs,
                          u"Did open terminal."_qs}));
    QCOMPARE(h.model->messages().at(1).role, ConversationRole::assistant);
    QCOMPARE(h.model->messages().at(1).mode, std::optional(InputMode::quiet));
    QVERIFY(h.speech->spoken.isEmpty());
    // The command's artifact is selected and its picture generated.
    QCOMPARE(h.model->selectedArtifactID(), std::optional(image.id));
    QCOMPARE(h.images->generations, (Generations{{u"a fox"_qs, u"1536x1024"_qs}}));
    QCOMPARE(h.model->artifacts().first().body, u"file:///generated/1.png"_qs);
}

void PromptSubmissionTest::commandInVoiceModeIsSpoken()
{
    AppModelHarness h;
    h.model->setMode(InputMode::voice);
    h.submit(QStringLiteral("open firefox"));
    QVERIFY(h.waitForQuiet());
    QCOMPARE(h.speech->spoken, QStringList{u"Did open firefox."_qs});
}

void PromptSubmissionTest::assistantRoundTripSelectsTheLastArtifact()
{
    AppModelHarness h;
    const Artifact first{.kind = ArtifactKind::markdown, .title = u"A"_qs};
    const Artifact second{.kind = ArtifactKind::note, .title = u"B"_qs};
    const ConversationMessage reply = assistantMessage(u"Two."_qs);
    h.assistant->replies = {{.message = reply, .artifacts = {first, second}}};
    h.submit(QStringLiteral("\n two please  "));
    QVERIFY(h.waitForQuiet());
    h.submit(QStringLiteral("again"));
    QVERIFY(h.waitForQuiet());

    QCOMPARE(h.assistant->requests.at(0).prompt, u"two please"_qs);
    QVERIFY(h.assistant->requests.at(0).artifacts.isEmpty());
    QCOMPARE(h.assistant->requests.at(1).artifacts, (QList<Artifact>{first, second}));
    QCOMPARE(h.model->messages().at(1), reply);
    QCOMPARE(h.model->selectedArtifact(), std::optional(second));
    // A selection that no longer exists falls back to the first artifact.
    h.model->setSelectedArtifactID(QUuid::createUuid());
    QCOMPARE(h.model->selectedArtifactValue().value(u"title"_qs), QVariant(u"A"_qs));
}

void PromptSubmissionTest::actions_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<std::optional<QString>>("script");
    QTest::addColumn<QString>("placeholderTitle");
    QTest::addColumn<QString>("summary");

    const std::optional<QString> none;
    QTest::newRow("generate_image shows an image placeholder")
        << u"generate_image"_qs << none << u"Generating Image..."_qs
        << u"No prompt provided to generate the image."_qs;
    QTest::newRow("slides script shows a presentation placeholder")
        << u"run_python_script"_qs << std::optional<QString>(u"make_PPTX('deck')"_qs)
        << u"Creating Presentation Slides..."_qs << u"Script ran."_qs;
    QTest::newRow("capitalised name runs the script without a placeholder")
        << u"Run_Python_Script"_qs << std::optional<QString>(u"print('Presentation')"_qs)
        << QString() << u"Script ran."_qs;
    QTest::newRow("script action with empty code")
        << u"run_python_script"_qs << std::optional<QString>(QString()) << QString()
        << u"No script code provided."_qs;
    QTest::newRow("name is trimmed and lower-cased")
        << u" Open_App\n"_qs << none << QString() << u"No application name provided."_qs;
    QTest::newRow("inspect_ui asks the service")
        << u"INSPECT_UI"_qs << none << QString() << u"Inspected."_qs;
    QTest::newRow("unlisted type is quoted as received")
        << u" Dance_Party"_qs << none << QString() << u"Action ' Dance_Party' is not supported."_qs;
}

void PromptSubmissionTest::actions()
{
    QFETCH(QString, type);
    QFETCH(std::optional<QString>, script);
    QFETCH(QString, placeholderTitle);
    QFETCH(QString, summary);

    AppModelHarness h;
    const Artifact output{.kind = ArtifactKind::record, .title = u"Output"_qs};
    h.computerUse->scriptResult = {.summary = u"Script ran."_qs, .artifact = output};
    h.assistant->replies = {{.message = assistantMessage(u"On it."_qs),
                             .action = AssistantAction{.type = type, .scriptCode = script}}};
    QStringList insertedTitles;
    connect(h.model->artifactModel(), &QAbstractItemModel::rowsInserted, this,
            [&](const QModelIndex&, int first) {
                insertedTitles.append(h.model->artifacts().at(first).title);
            });

    h.submit(QStringLiteral("do something"));
    QVERIFY(h.waitForQuiet());

    const bool ran = summary == u"Script ran.";
    QStringList expectedTitles;
    if (!placeholderTitle.isEmpty())
        expectedTitles.append(placeholderTitle);
    if (ran)
        expectedTitles.append(output.title);
    QCOMPARE(insertedTitles, expectedTitles);
    // The placeholder is gone in every case; only the service's artifact stays.
    QCOMPARE(h.model->artifacts(), ran ? QList<Artifact>{output} : QList<Artifact>{});
    QCOMPARE(contents(h.model->messages()),
             (QStringList{u"do something"_qs, u"On it."_qs, summary}));
    QCOMPARE(h.computerUse->scripts.size(), ran ? 1 : 0);
    QVERIFY(!h.model->isResponding());
}

void PromptSubmissionTest::proposedScriptAsksFirst_data()
{
    QTest::addColumn<bool>("allowSetting");
    QTest::addColumn<bool>("networkSetting");
    // The person's choice in the window, or "new session" to leave without answering.
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("ran");
    QTest::addColumn<bool>("network");

    QTest::newRow("setting on: runs without asking") << true << false << QString() << true << false;
    QTest::newRow("setting on, network setting on") << true << true << QString() << true << true;
    QTest::newRow("asked, run") << false << false << u"allow"_qs << true << false;
    QTest::newRow("asked, run with network access")
        << false << false << u"allowWithNetwork"_qs << true << true;
    QTest::newRow("asked, run, network setting on") << false << true << u"allow"_qs << true << true;
    QTest::newRow("asked, declined") << false << true << u"decline"_qs << false << false;
    QTest::newRow("asked, new session instead")
        << false << false << u"new session"_qs << false << false;
}

void PromptSubmissionTest::proposedScriptAsksFirst()
{
    QFETCH(bool, allowSetting);
    QFETCH(bool, networkSetting);
    QFETCH(QString, answer);
    QFETCH(bool, ran);
    QFETCH(bool, network);

    AppModelHarness h;
    h.controlSettings = {.allowComputerControl = allowSetting,
                         .letScriptsUseNetwork = networkSetting};
    h.assistant->replies = {{.message = assistantMessage(u"On it."_qs),
                             .action = AssistantAction{.type = u"run_python_script"_qs,
                                                       .scriptCode = u"print('hi')"_qs}}};
    h.submit(QStringLiteral("make a chart"));
    if (!answer.isEmpty()) {
        QTRY_VERIFY(h.approvals->hasPending());
        QCOMPARE(h.approvals->current().value(u"kind"_qs),
                 QVariant(int(ProposedActionKind::runScript)));
        QCOMPARE(h.approvals->current().value(u"text"_qs), QVariant(u"print('hi')"_qs));
        QVERIFY(h.computerUse->scripts.isEmpty());
        if (answer == u"new session")
            h.model->startNewSession();
        else
            h.approvals->answer(answer);
    }
    QVERIFY(h.waitForQuiet());

    QVERIFY(!h.approvals->hasPending());
    QCOMPARE(h.computerUse->scripts.size(), ran ? 1 : 0);
    if (ran)
        QCOMPARE(h.computerUse->scriptPermissions.first().network, network);
    QCOMPARE(h.model->messages().last().content,
             ran ? u"Script ran."_qs : u"The script did not run: the user declined it."_qs);
    QCOMPARE(h.model->failedOutcomeCount(), ran ? 0 : 1);
}

void PromptSubmissionTest::lateResultLandsInTheNewSession()
{
    AppModelHarness h;
    h.assistant->gate.close();
    h.model->setSelectedSection(SidebarSection::search);
    h.submit(QStringLiteral("slow question"));
    h.model->setPromptText(u"half typed"_qs);

    h.model->startNewSession();
    QVERIFY(h.model->messages().isEmpty());
    QCOMPARE(h.model->promptText(), QString());
    QCOMPARE(h.model->selectedSection(), std::optional(SidebarSection::chat));
    // The new session takes prompts at once.
    QVERIFY(!h.model->isResponding());
    QCOMPARE(h.realtime->stops, 1);

    h.assistant->gate.open();
    QVERIFY(h.waitForQuiet());
    QCOMPARE(contents(h.model->messages()), QStringList{u"Hello."_qs});
}

void PromptSubmissionTest::generatedImage_data()
{
    QTest::addColumn<QString>("body");
    // Without a generator, or with one that fails, the artifact ends failed.
    QTest::addColumn<int>("generator");
    QTest::addColumn<Generations>("generations");
    QTest::addColumn<QString>("finalBody");

    const QString failed = u"The image could not be generated."_qs;
    const QString done = u"file:///generated/1.png"_qs;
    QTest::newRow("description only") << u"a red fox"_qs << int(working)
                                      << Generations{{u"a red fox"_qs, u"1024x1024"_qs}} << done;
    QTest::newRow("size, description, further parts ignored")
        << u"1024x1536|sunset|hd|x"_qs << int(working)
        << Generations{{u"sunset"_qs, u"1024x1536"_qs}} << done;
    QTest::newRow("empty description after the bar")
        << u"512x512|"_qs << int(working) << Generations{{QString(), u"512x512"_qs}} << done;
    QTest::newRow("generator fails")
        << u"a fox"_qs << int(failing) << Generations{{u"a fox"_qs, u"1024x1024"_qs}} << failed;
    QTest::newRow("no generator") << u"a fox"_qs << int(absent) << Generations{} << failed;
}

void PromptSubmissionTest::generatedImage()
{
    QFETCH(QString, body);
    QFETCH(int, generator);
    QFETCH(Generations, generations);
    QFETCH(QString, finalBody);

    AppModelHarness h(generator != absent);
    const Artifact image{.kind = ArtifactKind::image,
                         .title = u"Picture"_qs,
                         .status = ArtifactStatus::running,
                         .body = body};
    h.assistant->replies = {{.message = assistantMessage(u"Drawing."_qs), .artifacts = {image}}};
    if (h.images) {
        h.images->failing = generator == failing;
        h.images->imageGate.close();
    }
    h.submit(QStringLiteral("draw"));
    if (h.images) {
        QTRY_COMPARE(h.images->generations, generations);
        // Still working until the picture is in.
        QVERIFY(!h.model->isResponding());
        QCOMPARE(h.model->pendingWorkCount(), 1);
        h.images->imageGate.open();
    }
    QVERIFY(h.waitForQuiet());

    Artifact expected = image;
    expected.body = finalBody;
    expected.status =
        finalBody.startsWith(u"file:") ? ArtifactStatus::ready : ArtifactStatus::needsReview;
    QCOMPARE(h.model->artifacts(), QList<Artifact>{expected});
}

void PromptSubmissionTest::slideImages_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<std::optional<QString>>("cover");
    QTest::addColumn<Generations>("generations");
    QTest::addColumn<QString>("finalBody");
    QTest::addColumn<std::optional<QString>>("finalCover");

    const QString pending = u"# One\n[IMAGE:generating|a chart]"_qs;
    QTest::newRow("cover image wins over slide placeholders")
        << pending << std::optional(u"generating|a cover"_qs)
        << Generations{{u"a cover"_qs, u"1536x1024"_qs}} << pending
        << std::optional(u"file:///generated/1.png"_qs);
    QTest::newRow("identical placeholders take the first image")
        << u"A [IMAGE:generating|cat] B [IMAGE:generating|cat] "
           u"C [IMAGE:generating|dog] D [IMAGE:generating|]"_qs
        << std::optional<QString>()
        << Generations{{u"cat"_qs, u"1024x1024"_qs},
                       {u"cat"_qs, u"1024x1024"_qs},
                       {u"dog"_qs, u"1024x1024"_qs}}
        << u"A [IMAGE:file:///generated/1.png] B [IMAGE:file:///generated/1.png] "
           u"C [IMAGE:file:///generated/3.png] D [IMAGE:generating|]"_qs
        << std::optional<QString>();
}

void PromptSubmissionTest::slideImages()
{
    QFETCH(QString, body);
    QFETCH(std::optional<QString>, cover);
    QFETCH(Generations, generations);
    QFETCH(QString, finalBody);
    QFETCH(std::optional<QString>, finalCover);

    AppModelHarness h;
    const Artifact deck{
        .kind = ArtifactKind::presentation, .title = u"Deck"_qs, .body = body, .imagePath = cover};
    h.assistant->replies = {{.message = assistantMessage(u"Slides."_qs), .artifacts = {deck}}};
    h.submit(QStringLiteral("slides"));
    QVERIFY(h.waitForQuiet());

    QCOMPARE(h.images->generations, generations);
    QCOMPARE(h.model->artifacts().first().body, finalBody);
    QCOMPARE(h.model->artifacts().first().imagePath, finalCover);
}

void PromptSubmissionTest::imageGenerationsAreBounded()
{
    AppModelHarness h;
    QString body;
    for (int slide = 0; slide < 20; ++slide)
        body += u"# Slide\n[IMAGE:generating|picture "_qs + QString::number(slide) + u"]\n";
    const Artifact deck{.kind = ArtifactKind::presentation, .title = u"Deck"_qs, .body = body};
    h.assistant->replies = {{.message = assistantMessage(u"Slides."_qs), .artifacts = {deck}}};
    h.images->imageGate.close();
    h.submit(QStringLiteral("slides"));

    // Four at a time; the eight past the twelfth never start and leave their slides bare.
    QTRY_COMPARE(h.images->generations.size(), 4);
    h.processEvents();
    QCOMPARE(h.images->generations.size(), 4);
    QCOMPARE(h.model->artifacts().first().body.count(u"[IMAGE:generating|"), 12);
    h.images->imageGate.open();
    QVERIFY(h.waitForQuiet());
    QCOMPARE(h.images->generations.size(), 12);
    QCOMPARE(h.model->artifacts().first().body.count(u"[IMAGE:file:///generated/"), 12);
    QVERIFY(!h.model->artifacts().first().body.contains(u"generating"));
}

void PromptSubmissionTest::generationForRemovedArtifactIsDropped()
{
    AppModelHarness h;
    const Artifact image{
        .kind = ArtifactKind::image, .status = ArtifactStatus::running, .body = u"a fox"_qs};
    h.assistant->replies = {{.message = assistantMessage(u"x"_qs), .artifacts = {image}}};
    h.images->imageGate.close();
    h.submit(QStringLiteral("draw"));
    QTRY_COMPARE(h.images->generations.size(), 1);
    h.model->startNewSession();
    h.images->imageGate.open();
    QVERIFY(h.waitForQuiet());
    QVERIFY(h.model->artifacts().isEmpty());
}

QTEST_GUILESS_MAIN(PromptSubmissionTest)
#include "tst_promptsubmission.moc"
