#include "AppFakes.h"

#include <QSignalSpy>
#include <QTest>

using namespace korvane;
using namespace korvane::test;

class PromptSubmissionTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void blankPromptChangesNothing();
    void promptWhileRespondingKeepsComposerText();
    void commandSummaryAppearsOnceAfterItsUserMessage_data();
    void commandSummaryAppearsOnceAfterItsUserMessage();
    void commandInVoiceModeIsSpokenAndHandsBack();
    void commandArtifactIsSelectedAndItsImageResolved();
    void assistantRequestCarriesTrimmedPromptAndArtifacts();
    void replyWithTwoArtifactsSelectsTheSecond();
    void staleSelectionFallsBackToFirstArtifact();
    void actions_data();
    void actions();
    void proposedScriptAsksFirst_data();
    void proposedScriptAsksFirst();
    void lateResultLandsInTheNewSession();
    void pendingGeneratedImage_data();
    void pendingGeneratedImage();
    void coverImageWinsOverSlidePlaceholders();
    void identicalSlidePlaceholdersAreAllReplacedByTheFirstImage();
    void failedOrUnavailableGenerationEndsFailed();
    void imageGenerationsAreBounded();
    void generationForRemovedArtifactIsDropped();
};

void PromptSubmissionTest::blankPromptChangesNothing()
{
    AppModelHarness h;
    const QString blank = QStringLiteral("  \n\t \r\n ");
    h.submit(blank);
    QCOMPARE(h.model->promptText(), blank);
    QVERIFY(h.model->messages().isEmpty());
    QVERIFY(!h.model->isResponding());
    QVERIFY(h.waitForQuiet());
    QVERIFY(h.assistant->requests.isEmpty());
}

void PromptSubmissionTest::promptWhileRespondingKeepsComposerText()
{
    AppModelHarness h;
    h.assistant->gate.close();
    h.submit(QStringLiteral("first"));
    QVERIFY(h.model->isResponding());
    QCOMPARE(h.model->promptText(), QString());

    h.submit(QStringLiteral("second"));
    QCOMPARE(h.model->promptText(), QStringLiteral("second"));
    QCOMPARE(h.model->messages().size(), 1);

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

    h.submit(QStringLiteral("  open firefox \n"));
    QVERIFY(h.waitForQuiet());
    h.submit(QStringLiteral("open terminal"));
    QVERIFY(h.waitForQuiet());

    QCOMPARE(h.computerUse->executed, (QStringList{u"open firefox"_qs, u"open terminal"_qs}));
    // Typed into the window, so they act on the application used before it.
    QCOMPARE(h.computerUse->typedCommands, h.computerUse->executed);
    QVERIFY(h.assistant->requests.isEmpty());
    QCOMPARE(contents(h.model->messages()),
             (QStringList{u"open firefox"_qs, u"Did open firefox."_qs, u"open terminal"_qs,
                          u"Did open terminal."_qs}));
    const QList<ConversationMessage>& messages = h.model->messages();
    for (int index = 0; index < messages.size(); ++index) {
        QCOMPARE(messages.at(index).role,
                 index % 2 == 0 ? ConversationRole::user : ConversationRole::assistant);
        QCOMPARE(messages.at(index).mode, std::optional(InputMode::quiet));
    }
    QVERIFY(h.speech->spoken.isEmpty());
    QVERIFY(!h.model->isResponding());
}

void PromptSubmissionTest::commandInVoiceModeIsSpokenAndHandsBack()
{
    AppModelHarness h;
    h.model->setMode(InputMode::voice);
    Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::recording);
    h.processEvents();

    h.submit(QStringLiteral("open firefox"));
    QVERIFY(h.waitForQuiet());
    QCOMPARE(h.speech->spoken, QStringList{u"Did open firefox."_qs});
    QCOMPARE(contents(h.model->messages()),
             (QStringList{u"open firefox"_qs, u"Did open firefox."_qs}));
    QCOMPARE(h.realtime->feedbackHandBacks, 0);
    h.speech->finish();
    // A session is running: the feedback is handed back to it, the listener stays off.
    QCOMPARE(h.realtime->feedbackHandBacks, 1);
}

void PromptSubmissionTest::commandArtifactIsSelectedAndItsImageResolved()
{
    AppModelHarness h;
    const Artifact image{.kind = ArtifactKind::image,
                         .title = u"Fox"_qs,
                         .status = ArtifactStatus::running,
                         .body = u"1536x1024|a fox"_qs};
    h.computerUse->results = {{.summary = u"Generating."_qs, .artifact = image}};
    h.submit(QStringLiteral("open image"));
    QVERIFY(h.waitForQuiet());

    QCOMPARE(h.model->artifacts().size(), 1);
    QCOMPARE(h.model->selectedArtifactID(), std::optional(image.id));
    QCOMPARE(h.images->generations,
             (QList<std::pair<QString, QString>>{{u"a fox"_qs, u"1536x1024"_qs}}));
    QCOMPARE(h.model->artifacts().first().status, ArtifactStatus::ready);
    QCOMPARE(h.model->artifacts().first().body, u"file:///generated/1.png"_qs);
}

void PromptSubmissionTest::assistantRequestCarriesTrimmedPromptAndArtifacts()
{
    AppModelHarness h;
    const Artifact note{.kind = ArtifactKind::note, .title = u"Note"_qs};
    h.assistant->replies = {{.message = assistantMessage(u"One."_qs), .artifacts = {note}}};
    h.submit(QStringLiteral("\n write a note  "));
    QVERIFY(h.waitForQuiet());
    h.submit(QStringLiteral("again"));
    QVERIFY(h.waitForQuiet());

    QCOMPARE(h.assistant->requests.size(), 2);
    QCOMPARE(h.assistant->requests.at(0).prompt, u"write a note"_qs);
    QVERIFY(h.assistant->requests.at(0).artifacts.isEmpty());
    QCOMPARE(h.assistant->requests.at(1).artifacts, QList<Artifact>{note});
    QCOMPARE(h.assistant->requests.at(1).mode, InputMode::quiet);
}

void PromptSubmissionTest::replyWithTwoArtifactsSelectsTheSecond()
{
    AppModelHarness h;
    const Artifact first{.kind = ArtifactKind::markdown, .title = u"A"_qs};
    const Artifact second{.kind = ArtifactKind::note, .title = u"B"_qs};
    const ConversationMessage reply = assistantMessage(u"Two."_qs);
    h.assistant->replies = {{.message = reply, .artifacts = {first, second}}};
    h.submit(QStringLiteral("two please"));
    QVERIFY(h.waitForQuiet());

    QCOMPARE(h.model->artifacts(), (QList<Artifact>{first, second}));
    QCOMPARE(h.model->selectedArtifactID(), std::optional(second.id));
    QCOMPARE(h.model->selectedArtifact(), std::optional(second));
    // The reply's message is appended as it came.
    QCOMPARE(h.model->messages().last(), reply);
}

void PromptSubmissionTest::staleSelectionFallsBackToFirstArtifact()
{
    AppModelHarness h;
    QCOMPARE(h.model->selectedArtifact(), std::nullopt);
    QCOMPARE(h.model->selectedArtifactValue(), QVariantMap());

    const Artifact first{.title = u"A"_qs};
    const Artifact second{.title = u"B"_qs};
    h.assistant->replies = {{.message = assistantMessage(u"x"_qs), .artifacts = {first, second}}};
    h.submit(QStringLiteral("go"));
    QVERIFY(h.waitForQuiet());

    h.model->setSelectedArtifactID(QUuid::createUuid());
    QCOMPARE(h.model->selectedArtifact(), std::optional(first));
    QCOMPARE(h.model->selectedArtifactValue().value(u"title"_qs), QVariant(u"A"_qs));
}

void PromptSubmissionTest::actions_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<std::optional<QString>>("script");
    QTest::addColumn<QString>("placeholderTitle");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<int>("scriptsRun");
    QTest::addColumn<int>("inspections");

    const std::optional<QString> none;
    const std::optional<QString> slides = u"make_PPTX('deck')"_qs;
    QTest::newRow("generate_image shows an image placeholder")
        << u"generate_image"_qs << none << u"Generating Image..."_qs
        << u"No prompt provided to generate the image."_qs << 0 << 0;
    QTest::newRow("slides script shows a presentation placeholder")
        << u"run_python_script"_qs << slides << u"Creating Presentation Slides..."_qs
        << u"Script ran."_qs << 1 << 0;
    QTest::newRow("capitalised name runs the script without a placeholder")
        << u"Run_Python_Script"_qs << std::optional<QString>(u"print('Presentation')"_qs)
        << QString() << u"Script ran."_qs << 1 << 0;
    QTest::newRow("plain script shows no placeholder")
        << u"run_python_script"_qs << std::optional<QString>(u"print(1)"_qs) << QString()
        << u"Script ran."_qs << 1 << 0;
    QTest::newRow("script action without code")
        << u"run_python_script"_qs << none << QString() << u"No script code provided."_qs << 0 << 0;
    QTest::newRow("script action with empty code")
        << u"run_python_script"_qs << std::optional<QString>(QString()) << QString()
        << u"No script code provided."_qs << 0 << 0;
    QTest::newRow("name is trimmed and lower-cased")
        << u" Open_App\n"_qs << none << QString() << u"No application name provided."_qs << 0 << 0;
    QTest::newRow("inspect_ui asks the service")
        << u"INSPECT_UI"_qs << none << QString() << u"Inspected."_qs << 0 << 1;
    QTest::newRow("press_key ends in a space")
        << u"press_key"_qs << none << QString() << u"Invalid or missing key: "_qs << 0 << 0;
    QTest::newRow("unlisted type is quoted as received")
        << u" Dance_Party"_qs << none << QString() << u"Action ' Dance_Party' is not supported."_qs
        << 0 << 0;
}

void PromptSubmissionTest::actions()
{
    QFETCH(QString, type);
    QFETCH(std::optional<QString>, script);
    QFETCH(QString, placeholderTitle);
    QFETCH(QString, summary);
    QFETCH(int, scriptsRun);
    QFETCH(int, inspections);

    AppModelHarness h;
    const Artifact output{.kind = ArtifactKind::record, .title = u"Output"_qs};
    h.computerUse->scriptResult = {.summary = u"Script ran."_qs, .artifact = output};
    h.assistant->replies = {{.message = assistantMessage(u"On it."_qs),
                             .action = AssistantAction{.type = type, .scriptCode = script}}};

    QList<Artifact> inserted;
    connect(
        h.model->artifactModel(), &QAbstractItemModel::rowsInserted, this,
        [&](const QModelIndex&, int first) { inserted.append(h.model->artifacts().at(first)); });
    QList<bool> respondingWhenInserted;
    connect(h.model->artifactModel(), &QAbstractItemModel::rowsInserted, this,
            [&] { respondingWhenInserted.append(h.model->isResponding()); });

    h.submit(QStringLiteral("do something"));
    QVERIFY(h.waitForQuiet());

    const bool expectsPlaceholder = !placeholderTitle.isEmpty();
    if (expectsPlaceholder) {
        QVERIFY(!inserted.isEmpty());
        QCOMPARE(inserted.first().title, placeholderTitle);
        QCOMPARE(inserted.first().status, ArtifactStatus::running);
        QCOMPARE(respondingWhenInserted.first(), true);
    }
    // The placeholder is gone in every case; only the service's artifact stays.
    QList<Artifact> expectedArtifacts;
    if (scriptsRun > 0)
        expectedArtifacts.append(output);
    QCOMPARE(h.model->artifacts(), expectedArtifacts);
    QCOMPARE(inserted.size(), expectedArtifacts.size() + (expectsPlaceholder ? 1 : 0));
    if (scriptsRun > 0)
        QCOMPARE(h.model->selectedArtifactID(), std::optional(output.id));

    QCOMPARE(contents(h.model->messages()),
             (QStringList{u"do something"_qs, u"On it."_qs, summary}));
    QCOMPARE(h.model->messages().last().mode, std::optional(InputMode::quiet));
    QCOMPARE(h.computerUse->scripts.size(), scriptsRun);
    QCOMPARE(h.computerUse->inspections, inspections);
    QVERIFY(!h.model->isResponding());
    QVERIFY(h.speech->spoken.isEmpty());
}

void PromptSubmissionTest::proposedScriptAsksFirst_data()
{
    QTest::addColumn<bool>("allowSetting");
    QTest::addColumn<bool>("networkSetting");
    // The person's choice in the window, or "new session" to leave without answering.
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("ran");
    QTest::addColumn<bool>("network");
    QTest::addColumn<QString>("summary");

    const QString declined = u"The script did not run: the user declined it."_qs;
    QTest::newRow("setting on: runs without asking")
        << true << false << QString() << true << false << u"Script ran."_qs;
    QTest::newRow("setting on, network setting on")
        << true << true << QString() << true << true << u"Script ran."_qs;
    QTest::newRow("asked, run") << false << false << u"allow"_qs << true << false
                                << u"Script ran."_qs;
    QTest::newRow("asked, run with network access")
        << false << false << u"allowWithNetwork"_qs << true << true << u"Script ran."_qs;
    QTest::newRow("asked, run, network setting on")
        << false << true << u"allow"_qs << true << true << u"Script ran."_qs;
    QTest::newRow("asked, declined")
        << false << true << u"decline"_qs << false << false << declined;
    QTest::newRow("asked, new session instead")
        << false << false << u"new session"_qs << false << false << declined;
}

void PromptSubmissionTest::proposedScriptAsksFirst()
{
    QFETCH(bool, allowSetting);
    QFETCH(bool, networkSetting);
    QFETCH(QString, answer);
    QFETCH(bool, ran);
    QFETCH(bool, network);
    QFETCH(QString, summary);

    AppModelHarness h;
    h.controlSettings = {.allowComputerControl = allowSetting,
                         .letScriptsUseNetwork = networkSetting};
    h.assistant->replies = {{.message = assistantMessage(u"On it."_qs),
                             .action = AssistantAction{.type = u"run_python_script"_qs,
                                                       .scriptCode = u"print('hi')"_qs}}};
    h.submit(QStringLiteral("make a chart"));
    if (!answer.isEmpty()) {
        QTRY_VERIFY(h.approvals->hasPending());
        QCOMPARE(h.approvals->current().value(u"kind"_qs), QVariant(u"runScript"_qs));
        QCOMPARE(h.approvals->current().value(u"text"_qs), QVariant(u"print('hi')"_qs));
        QVERIFY(h.model->isResponding());
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
    QCOMPARE(h.model->messages().last().content, summary);
    QCOMPARE(h.model->failedOutcomeCount(), ran ? 0 : 1);
    QVERIFY(!h.model->isResponding());
}

void PromptSubmissionTest::lateResultLandsInTheNewSession()
{
    AppModelHarness h;
    h.assistant->gate.close();
    h.model->setSelectedSectionText(u"search"_qs);
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

void PromptSubmissionTest::pendingGeneratedImage_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("size");
    QTest::newRow("description only") << u"a red fox"_qs << u"a red fox"_qs << u"1024x1024"_qs;
    QTest::newRow("size and description")
        << u"1536x1024|a red fox"_qs << u"a red fox"_qs << u"1536x1024"_qs;
    QTest::newRow("further parts ignored")
        << u"1024x1536|sunset|hd|x"_qs << u"sunset"_qs << u"1024x1536"_qs;
    QTest::newRow("empty description after the bar")
        << u"512x512|"_qs << QString() << u"512x512"_qs;
}

void PromptSubmissionTest::pendingGeneratedImage()
{
    QFETCH(QString, body);
    QFETCH(QString, description);
    QFETCH(QString, size);

    AppModelHarness h;
    const Artifact image{.kind = ArtifactKind::image,
                         .title = u"Picture"_qs,
                         .status = ArtifactStatus::running,
                         .body = body};
    h.assistant->replies = {{.message = assistantMessage(u"Drawing."_qs), .artifacts = {image}}};
    h.images->imageGate.close();
    h.submit(QStringLiteral("draw"));
    QTRY_COMPARE(h.images->generations.size(), 1);
    // Still working until the picture is in.
    QVERIFY(!h.model->isResponding());
    QCOMPARE(h.model->pendingWorkCount(), 1);
    h.images->imageGate.open();
    QVERIFY(h.waitForQuiet());

    QCOMPARE(h.images->generations.first(), std::pair(description, size));
    const Artifact resolved = h.model->artifacts().first();
    QCOMPARE(resolved.id, image.id);
    QCOMPARE(resolved.status, ArtifactStatus::ready);
    QCOMPARE(resolved.body, u"file:///generated/1.png"_qs);
    QCOMPARE(resolved.title, image.title);
}

void PromptSubmissionTest::coverImageWinsOverSlidePlaceholders()
{
    AppModelHarness h;
    const Artifact deck{.kind = ArtifactKind::presentation,
                        .title = u"Deck"_qs,
                        .status = ArtifactStatus::running,
                        .body = u"# One\n[IMAGE:generating|a chart]"_qs,
                        .imagePath = u"generating|a cover"_qs};
    h.assistant->replies = {{.message = assistantMessage(u"Slides."_qs), .artifacts = {deck}}};
    h.submit(QStringLiteral("slides"));
    QVERIFY(h.waitForQuiet());

    QCOMPARE(h.images->generations,
             (QList<std::pair<QString, QString>>{{u"a cover"_qs, u"1536x1024"_qs}}));
    const Artifact resolved = h.model->artifacts().first();
    QCOMPARE(resolved.imagePath, std::optional(u"file:///generated/1.png"_qs));
    QCOMPARE(resolved.body, deck.body);
    QCOMPARE(resolved.status, ArtifactStatus::running);
}

void PromptSubmissionTest::identicalSlidePlaceholdersAreAllReplacedByTheFirstImage()
{
    AppModelHarness h;
    const Artifact deck{.kind = ArtifactKind::presentation,
                        .title = u"Deck"_qs,
                        .body = u"A [IMAGE:generating|cat] B [IMAGE:generating|cat] "
                                u"C [IMAGE:generating|dog] D [IMAGE:generating|]"_qs};
    h.assistant->replies = {{.message = assistantMessage(u"Slides."_qs), .artifacts = {deck}}};
    h.submit(QStringLiteral("slides"));
    QVERIFY(h.waitForQuiet());

    QCOMPARE(h.images->generations,
             (QList<std::pair<QString, QString>>{{u"cat"_qs, u"1024x1024"_qs},
                                                 {u"cat"_qs, u"1024x1024"_qs},
                                                 {u"dog"_qs, u"1024x1024"_qs}}));
    QCOMPARE(h.model->artifacts().first().body,
             u"A [IMAGE:file:///generated/1.png] B [IMAGE:file:///generated/1.png] "
             u"C [IMAGE:file:///generated/3.png] D [IMAGE:generating|]"_qs);
}

void PromptSubmissionTest::failedOrUnavailableGenerationEndsFailed()
{
    const Artifact image{
        .kind = ArtifactKind::image, .status = ArtifactStatus::running, .body = u"a fox"_qs};
    Artifact failed = image;
    failed.status = ArtifactStatus::needsReview;
    failed.body = u"The image could not be generated."_qs;
    for (const bool generatorFails : {true, false}) {
        AppModelHarness h(generatorFails);
        if (generatorFails)
            h.images->failing = true;
        h.assistant->replies = {{.message = assistantMessage(u"x"_qs), .artifacts = {image}}};
        h.submit(QStringLiteral("draw"));
        QVERIFY(h.waitForQuiet());
        QCOMPARE(h.model->artifacts(), QList<Artifact>{failed});
    }
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
