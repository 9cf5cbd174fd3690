// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFakes.h"

#include <QTest>

using namespace korvane;
using namespace korvane::test;

class VoiceOrchestrationTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void realtimeStateTable_data()
    {
        QTest::addColumn<RealtimeVoiceState>("state");
        // A live session holds the microphone and the turn; an ended one gives them back.
        QTest::addColumn<bool>("live");
        QTest::newRow("recording") << RealtimeVoiceState::recording << true;
        QTest::newRow("idle") << RealtimeVoiceState::idle << false;
        QTest::newRow("failed") << RealtimeVoiceState::failed << false;
    }

    void realtimeStateTable()
    {
        QFETCH(RealtimeVoiceState, state);
        QFETCH(bool, live);

        AppModelHarness h;
        h.computerUse->gate.close();
        h.submit(QStringLiteral("open files"));
        Q_EMIT h.wake->listeningChanged(true);
        Q_EMIT h.realtime->assistantTranscriptChanged(u"Partial"_qs);
        h.processEvents();
        const auto transcriptID = h.model->realtimeTranscriptMessageID();
        QVERIFY(transcriptID);
        const int startsBefore = h.wake->starts;
        const int stopsBefore = h.wake->stops;

        Q_EMIT h.realtime->stateChanged(state);
        h.processEvents();

        QCOMPARE(h.model->realtimeVoiceState(), state);
        QCOMPARE(h.wake->stops - stopsBefore, live ? 1 : 0);
        QCOMPARE(h.wake->starts - startsBefore, live ? 0 : 1);
        QCOMPARE(h.model->isWakeWordListening(), !live);
        QCOMPARE(h.model->isResponding(), live);
        QCOMPARE(h.model->realtimeTranscriptMessageID(), live ? transcriptID : std::nullopt);
        h.computerUse->gate.open();
        QVERIFY(h.waitForQuiet());
    }

    void callbacksTakeEffectOnALaterTurnInOrder()
    {
        AppModelHarness h;
        QCOMPARE(h.wake->starts, 1);
        Q_EMIT h.wake->listeningChanged(true);
        Q_EMIT h.realtime->assistantTranscriptChanged(u" \n\t "_qs);
        Q_EMIT h.realtime->assistantTranscriptChanged(u"Hel"_qs);
        Q_EMIT h.realtime->assistantTranscriptChanged(u"  Hello there \n"_qs);
        Q_EMIT h.realtime->responseDone();
        Q_EMIT h.realtime->assistantTranscriptChanged(u"Next answer"_qs);
        QVERIFY(h.model->messages().isEmpty());
        QVERIFY(!h.model->isWakeWordListening());

        h.processEvents();
        QVERIFY(h.model->isWakeWordListening());
        QCOMPARE(contents(h.model->messages()),
                 (QStringList{u"Hello there"_qs, u"Next answer"_qs}));
    }

    void toolCallPlaceholderIsReplacedByItsResult()
    {
        AppModelHarness h;
        Q_EMIT h.realtime->computerUseStarted(u"run_python_script"_qs, u"build_presentation()"_qs);
        h.processEvents();
        QCOMPARE(h.model->artifacts().size(), 1);
        const Artifact placeholder = h.model->artifacts().first();
        QCOMPARE(placeholder.title, u"Creating Presentation Slides..."_qs);
        QCOMPARE(h.model->tempVoiceArtifactID(), std::optional(placeholder.id));

        const Artifact deck{.kind = ArtifactKind::presentation, .title = u"Deck"_qs};
        Q_EMIT h.realtime->computerUseFinished({.summary = u"Made slides."_qs, .artifact = deck});
        h.processEvents();
        QCOMPARE(h.model->artifacts(), QList<Artifact>{deck});
        QCOMPARE(h.model->tempVoiceArtifactID(), std::nullopt);
        QCOMPARE(h.model->selectedArtifactID(), std::optional(deck.id));
        QCOMPARE(contents(h.model->messages()), QStringList{u"Made slides."_qs});
    }

    void consecutiveResultsShareOneMessageUntilCleared()
    {
        AppModelHarness h;
        // A live session speaks and transcribes its own answer.
        h.realtime->active = true;
        Q_EMIT h.realtime->computerUseFinished({.summary = u"Opened Files."_qs});
        h.processEvents();
        QVERIFY(h.model->messages().isEmpty());

        h.realtime->active = false;
        Q_EMIT h.realtime->computerUseFinished({.summary = u"First."_qs});
        Q_EMIT h.realtime->computerUseFinished({.summary = u"Second."_qs});
        h.processEvents();
        QCOMPARE(contents(h.model->messages()), QStringList{u"Second."_qs});

        Q_EMIT h.realtime->responseDone();
        Q_EMIT h.realtime->computerUseFinished({.summary = u"Third."_qs});
        h.processEvents();
        QCOMPARE(contents(h.model->messages()), (QStringList{u"Second."_qs, u"Third."_qs}));
        // Asked to speak in quiet mode, it says nothing.
        h.model->applyRealtimeComputerUseResult({.summary = u"Done."_qs}, true);
        QVERIFY(h.speech->spoken.isEmpty());
    }

    void wakePhrase_data()
    {
        QTest::addColumn<std::optional<QString>>("suffix");
        QTest::addColumn<bool>("heardClearly");
        QTest::addColumn<bool>("runsCommand");
        QTest::newRow("recognised command")
            << std::optional<QString>(u"open files"_qs) << true << true;
        QTest::newRow("recognised command, misheard perhaps")
            << std::optional<QString>(u"open files"_qs) << false << false;
        QTest::newRow("words no parser knows")
            << std::optional<QString>(u"tell me a joke"_qs) << true << false;
    }

    void wakePhrase()
    {
        QFETCH(std::optional<QString>, suffix);
        QFETCH(bool, heardClearly);
        QFETCH(bool, runsCommand);

        AppModelHarness h;
        h.model->setSelectedSection(SidebarSection::search);
        Q_EMIT h.wake->listeningChanged(true);
        Q_EMIT h.wake->wakePhraseHeard({suffix, heardClearly});
        h.processEvents();

        QCOMPARE(h.model->inputMode(), InputMode::voice);
        QCOMPARE(h.model->selectedSection(), std::optional(SidebarSection::chat));
        QVERIFY(!h.model->isWakeWordListening());
        QTRY_COMPARE(h.activator->activations, 2);
        QVERIFY(h.waitForQuiet());

        if (runsCommand) {
            QCOMPARE(h.computerUse->executed, QStringList{*suffix});
            // Spoken, so it acts on what is in front.
            QVERIFY(h.computerUse->typedCommands.isEmpty());
            QCOMPARE(contents(h.model->messages()), (QStringList{*suffix, u"Did open files."_qs}));
            QCOMPARE(h.speech->spoken, QStringList{u"Did open files."_qs});
        } else {
            QVERIFY(h.computerUse->executed.isEmpty());
            QCOMPARE(h.realtime->starts, QList<bool>{true});
            QVERIFY(h.model->messages().isEmpty());
        }
    }

    void wakeCommandFeedbackRestartsListening()
    {
        AppModelHarness h;
        Q_EMIT h.wake->wakePhraseHeard({u"open files"_qs});
        QVERIFY(h.waitForQuiet());
        const int startsBefore = h.wake->starts;

        h.speech->finish();
        QCOMPARE(h.model->realtimeTranscriptMessageID(), std::nullopt);
        QCOMPARE(h.wake->starts, startsBefore + 1);

        // With a session running, the end of the feedback goes to the session instead.
        Q_EMIT h.wake->wakePhraseHeard({u"open mail"_qs});
        QVERIFY(h.waitForQuiet());
        Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::recording);
        h.processEvents();
        const int startsDuringSession = h.wake->starts;
        h.speech->finish();
        QCOMPARE(h.realtime->feedbackHandBacks, 1);
        QCOMPARE(h.wake->starts, startsDuringSession);
    }

    void voiceButtonTogglesTheSession()
    {
        AppModelHarness h;
        Q_EMIT h.wake->listeningChanged(true);
        h.processEvents();
        h.model->startComputerUseVoiceMode();
        QCOMPARE(h.realtime->starts, QList<bool>{true});
        QCOMPARE(h.wake->stops, 1);
        QVERIFY(!h.model->isWakeWordListening());

        // "Enable Voice" during a live session ends it.
        h.realtime->active = true;
        h.model->setMode(InputMode::voice);
        QCOMPARE(h.realtime->stops, 1);

        // A session still connecting is cancelled, not started a second time.
        h.realtime->active = false;
        h.realtime->connecting = true;
        h.model->startComputerUseVoiceMode();
        QCOMPARE(h.realtime->stops, 2);
        QCOMPARE(h.realtime->starts.size(), 1);

        // Quiet mode turns the audio off only in a live session, without ending it.
        h.realtime->connecting = false;
        h.model->setMode(InputMode::quiet);
        QVERIFY(h.realtime->voiceModes.isEmpty());
        h.realtime->active = true;
        h.model->setMode(InputMode::quiet);
        QCOMPARE(h.realtime->voiceModes, QList<bool>{false});
        QCOMPARE(h.realtime->stops, 2);

        // Holding the key talks in voice mode without bringing the window to the front.
        h.model->beginHoldToTalk();
        h.model->endHoldToTalk();
        QCOMPARE(h.realtime->heldTurns, (QStringList{u"begin"_qs, u"end"_qs}));
        QCOMPARE(h.model->inputMode(), InputMode::voice);
        QCOMPARE(h.activator->activations, 0);
    }

    void wakeErrors()
    {
        AppModelHarness h;
        // A failed session ends the wait for an answer, is logged, and apologised for.
        h.assistant->gate.close();
        h.submit(QStringLiteral("question"));
        Q_EMIT h.realtime->failed(u"socket closed: 1006"_qs);
        h.processEvents();
        QVERIFY(!h.model->isResponding());
        QCOMPARE(h.realtime->logLines,
                 QStringList{u"System error encountered: socket closed: 1006"_qs});
        QVERIFY(h.model->messages().last().content.startsWith(u"I'm having trouble connecting"));
        h.model->startNewSession();

        Q_EMIT h.wake->listeningChanged(true);
        Q_EMIT h.wake->failed(u"microphone busy"_qs);
        h.processEvents();
        QVERIFY(!h.model->isWakeWordListening());
        QCOMPARE(contents(h.model->messages()),
                 QStringList{u"Wake phrase failed: microphone busy"_qs});
        QCOMPARE(h.wake->starts, 1);

        // The listener comes back with the next end of a session, and never during one.
        Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::connecting);
        h.processEvents();
        h.model->startWakeWordListening();
        QCOMPARE(h.wake->starts, 1);
        Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::failed);
        h.processEvents();
        QCOMPARE(h.wake->starts, 2);
        // Switched off, it stays off after a session too, until switched on again.
        h.model->setWakePhraseEnabled(false);
        Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::connecting);
        Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::idle);
        h.processEvents();
        QCOMPARE(h.wake->starts, 2);
        h.model->setWakePhraseEnabled(true);
        QCOMPARE(h.wake->starts, 3);
        h.assistant->gate.open();
        QVERIFY(h.waitForQuiet());
    }

    void standInsSayWhatIsMissing()
    {
        AppModel model(AppModelServices{
            .recognizesCommand = [](QStringView text) { return text.startsWith(u"open "); }});
        model.startComputerUseVoiceMode();
        AppModelHarness::processEvents();
        QCOMPARE(model.realtimeVoiceState(), RealtimeVoiceState::failed);
        model.setMode(InputMode::quiet);
        for (const QString& prompt : {u"hello"_qs, u"open files"_qs}) {
            model.setPromptText(prompt);
            model.submitPrompt();
            QTRY_VERIFY(!model.isResponding());
        }
        QCOMPARE(
            contents(model.messages()).mid(1),
            (QStringList{u"hello"_qs, u"The text assistant is not available in this build."_qs,
                         u"open files"_qs, u"Computer use is not available in this build."_qs}));
    }
};

QTEST_GUILESS_MAIN(VoiceOrchestrationTest)
#include "tst_voiceorchestration.moc"
