// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFakes.h"

#include <QSignalSpy>
#include <QTest>

using namespace korvane;
using namespace korvane::test;

using Generations = QList<std::pair<QString, QString>>;

class PromptSubmissionTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void composerKeepsWhatWasNotSent()
    {
        AppModelHarness h;
        const QString blank = QStringLiteral("  \n\t \r\n ");
        h.submit(blank);
        QCOMPARE(h.model->promptText(), blank);
        h.assistant->gate.close();
        h.submit(QStringLiteral("first"));
        QVERIFY(h.model->isResponding());
        QCOMPARE(h.model->promptText(), QString());
        h.submit(QStringLiteral("second"));
        QCOMPARE(h.model->promptText(), QStringLiteral("second"));
        h.assistant->gate.open();
        QVERIFY(h.waitForQuiet());
        QCOMPARE(contents(h.model->messages()), (QStringList{u"first"_qs, u"Hello."_qs}));
    }

    void commandSummaryAppearsOnceAfterItsUserMessage()
    {
        AppModelHarness h;
        // A connected session must not swallow a typed command's own message.
        h.realtime->active = true;
        const Artifact image{.kind = ArtifactKind::image,
                             .status = ArtifactStatus::running,
                             .body = u"1536x1024|a fox"_qs};
        h.computerUse->results = {{.summary = u"Generating."_qs, .artifact = image}};

        h.submit(QStringLiteral("  open image \n"));
        QVERIFY(h.waitForQuiet());
        h.submit(QStringLiteral("open terminal"));
        QVERIFY(h.waitForQuiet());

        // Typed into the window, so they act on the application used before it.
        QCOMPARE(h.computerUse->typedCommands,
                 (QStringList{u"open image"_qs, u"open terminal"_qs}));
        QCOMPARE(contents(h.model->messages()),
                 (QStringList{u"open image"_qs, u"Generating."_qs, u"open terminal"_qs,
                              u"Did open terminal."_qs}));
        QCOMPARE(h.model->messages().at(1).mode, std::optional(InputMode::quiet));
        QVERIFY(h.speech->spoken.isEmpty());
        // The command's artifact is selected and its picture generated.
        QCOMPARE(h.model->selectedArtifactID(), std::optional(image.id));
        QCOMPARE(h.images->generations, (Generations{{u"a fox"_qs, u"1536x1024"_qs}}));
        QCOMPARE(h.model->artifacts().first().body, u"file:///generated/1.png"_qs);

        h.realtime->active = false;
        h.model->setMode(InputMode::voice);
        h.submit(QStringLiteral("open firefox"));
        QVERIFY(h.waitForQuiet());
        QCOMPARE(h.speech->spoken, QStringList{u"Did open firefox."_qs});
    }

    void assistantRoundTripSelectsTheLastArtifact()
    {
        AppModelHarness h;
        const Artifact first{.kind = ArtifactKind::markdown, .title = u"A"_qs};
        const Artifact second{.kind = ArtifactKind::note, .title = u"B"_qs};
        h.assistant->replies = {
            {.message = assistantMessage(u"Two."_qs), .artifacts = {first, second}}};
        h.submit(QStringLiteral("\n two please  "));
        QVERIFY(h.waitForQuiet());
        h.submit(QStringLiteral("again"));
        QVERIFY(h.waitForQuiet());

        QCOMPARE(h.assistant->requests.at(0).prompt, u"two please"_qs);
        QCOMPARE(h.assistant->requests.at(1).artifacts, (QList<Artifact>{first, second}));
        QCOMPARE(h.model->selectedArtifact(), std::optional(second));
        // A selection that no longer exists falls back to the first artifact.
        h.model->setSelectedArtifactID(QUuid::createUuid());
        QCOMPARE(h.model->selectedArtifactValue().value(u"title"_qs), QVariant(u"A"_qs));
    }

    void actions_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<std::optional<QString>>("script");
        QTest::addColumn<bool>("placeholder");
        QTest::addColumn<QString>("summary");

        const std::optional<QString> none;
        QTest::newRow("generate_image shows an image placeholder")
            << u"generate_image"_qs << none << true
            << u"No prompt provided to generate the image."_qs;
        QTest::newRow("slides script shows a presentation placeholder")
            << u"run_python_script"_qs << std::optional<QString>(u"make_PPTX('deck')"_qs) << true
            << u"Script ran."_qs;
        QTest::newRow("name is trimmed and lower-cased")
            << u" Open_App\n"_qs << none << false << u"No application name provided."_qs;
        QTest::newRow("inspect_ui asks the service")
            << u"INSPECT_UI"_qs << none << false << u"Inspected."_qs;
    }

    void actions()
    {
        QFETCH(QString, type);
        QFETCH(std::optional<QString>, script);
        QFETCH(bool, placeholder);
        QFETCH(QString, summary);

        AppModelHarness h;
        const Artifact output{.kind = ArtifactKind::record, .title = u"Output"_qs};
        h.computerUse->scriptResult = {.summary = u"Script ran."_qs, .artifact = output};
        h.assistant->replies = {{.message = assistantMessage(u"On it."_qs),
                                 .action = AssistantAction{.type = type, .scriptCode = script}}};
        QSignalSpy inserted(h.model->artifactModel(), &QAbstractItemModel::rowsInserted);

        h.submit(QStringLiteral("do something"));
        QVERIFY(h.waitForQuiet());

        const bool ran = summary == u"Script ran.";
        QCOMPARE(inserted.size(), int(placeholder) + int(ran));
        // The placeholder is gone in every case; only the service's artifact stays.
        QCOMPARE(h.model->artifacts(), ran ? QList<Artifact>{output} : QList<Artifact>{});
        QCOMPARE(contents(h.model->messages()),
                 (QStringList{u"do something"_qs, u"On it."_qs, summary}));
    }

    void proposedScriptAsksFirst_data()
    {
        QTest::addColumn<bool>("allowSetting");
        QTest::addColumn<bool>("networkSetting");
        // The person's choice in the window, or "new session" to leave without answering.
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("ran");
        QTest::addColumn<bool>("network");

        QTest::newRow("setting on: runs without asking")
            << true << false << QString() << true << false;
        QTest::newRow("asked, run") << false << false << u"allow"_qs << true << false;
        QTest::newRow("asked, run, network setting on")
            << false << true << u"allow"_qs << true << true;
        QTest::newRow("asked, declined") << false << true << u"decline"_qs << false << false;
        QTest::newRow("asked, new session instead")
            << false << false << u"new session"_qs << false << false;
    }

    void proposedScriptAsksFirst()
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

    void lateResultsLandInTheNewSession()
    {
        AppModelHarness h;
        const Artifact image{
            .kind = ArtifactKind::image, .status = ArtifactStatus::running, .body = u"a fox"_qs};
        h.assistant->replies = {
            {.message = assistantMessage(u"Drawing."_qs), .artifacts = {image}}};
        h.images->imageGate.close();
        h.submit(QStringLiteral("draw"));
        QTRY_COMPARE(h.images->generations.size(), 1);
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

        // The answer still arrives; the picture for the removed artifact is dropped.
        h.assistant->gate.open();
        h.images->imageGate.open();
        QVERIFY(h.waitForQuiet());
        QCOMPARE(contents(h.model->messages()), QStringList{u"Hello."_qs});
        QVERIFY(h.model->artifacts().isEmpty());
    }

    void imageThatCannotBeGeneratedNeedsReview_data()
    {
        QTest::addColumn<bool>("withGenerator");
        QTest::newRow("generator fails") << true;
        QTest::newRow("no generator") << false;
    }

    void imageThatCannotBeGeneratedNeedsReview()
    {
        QFETCH(bool, withGenerator);
        AppModelHarness h(withGenerator);
        if (h.images)
            h.images->failing = true;
        const Artifact image{
            .kind = ArtifactKind::image, .status = ArtifactStatus::running, .body = u"a fox"_qs};
        h.assistant->replies = {
            {.message = assistantMessage(u"Drawing."_qs), .artifacts = {image}}};
        h.submit(QStringLiteral("draw"));
        QVERIFY(h.waitForQuiet());

        if (h.images)
            QCOMPARE(h.images->generations, (Generations{{u"a fox"_qs, u"1024x1024"_qs}}));
        QCOMPARE(h.model->artifacts().first().body, u"The image could not be generated."_qs);
        QCOMPARE(h.model->artifacts().first().status, ArtifactStatus::needsReview);
    }

    void imageGenerationsAreBounded()
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
        h.images->imageGate.open();
        QVERIFY(h.waitForQuiet());
        QCOMPARE(h.images->generations.size(), 12);
        QCOMPARE(h.model->artifacts().first().body.count(u"[IMAGE:file:///generated/"), 12);
        QVERIFY(!h.model->artifacts().first().body.contains(u"generating"));
    }
};

QTEST_GUILESS_MAIN(PromptSubmissionTest)
#include "tst_promptsubmission.moc"
