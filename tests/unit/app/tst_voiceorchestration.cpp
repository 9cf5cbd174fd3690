// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFakes.h"

#include <QSignalSpy>
#include <QTest>

using namespace korvane;
using namespace korvane::test;

class VoiceOrchestrationTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void realtimeStateTable_data();
    void realtimeStateTable();
    void callbacksTakeEffectOnALaterTurnInOrder();
    void blankTranscriptMakesNoMessage();
    void toolCallPlaceholderIsReplacedByItsResult();
    void overlappingToolCallsLeaveTheFirstPlaceholder();
    void resultDuringLiveSessionWithoutArtifactChangesNothing();
    void consecutiveResultsShareOneMessageUntilCleared();
    void realtimeErrorIsLoggedAndApologised();
    void callbacksAfterTheModelIsGoneDoNothing();
    void wakePhrase_data();
    void wakePhrase();
    void wakeCommandFeedbackRestartsListening();
    void speakInQuietModeSaysNothing();
    void voiceButtonTogglesTheSession();
    void holdToTalkEntersVoiceModeWithoutStealingFocus();
    void quietModeTurnsAudioOffOnlyInALiveSession();
    void wakeErrors();
    void standInsSayWhatIsMissing();
};

void VoiceOrchestrationTest::realtimeStateTable_data()
{
    QTest::addColumn<RealtimeVoiceState>("state");
    QTest::addColumn<bool>("listenerStopped");
    QTest::addColumn<bool>("listenerRestarted");
    QTest::addColumn<bool>("stillResponding");
    QTest::newRow("connecting") << RealtimeVoiceState::connecting << true << false << true;
    QTest::newRow("recording") << RealtimeVoiceState::recording << true << false << true;
    QTest::newRow("speaking") << RealtimeVoiceState::speaking << true << false << true;
    QTest::newRow("idle") << RealtimeVoiceState::idle << false << true << false;
    QTest::newRow("failed") << RealtimeVoiceState::failed << false << true << false;
}

void VoiceOrchestrationTest::realtimeStateTable()
{
    QFETCH(RealtimeVoiceState, state);
    QFETCH(bool, listenerStopped);
    QFETCH(bool, listenerRestarted);
    QFETCH(bool, stillResponding);

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
    QCOMPARE(h.model->realtimeVoiceState(), state);
    QCOMPARE(h.wake->stops - stopsBefore, listenerStopped ? 1 : 0);
    QCOMPARE(h.wake->starts - startsBefore, listenerRestarted ? 1 : 0);
    QCOMPARE(h.model->isWakeWordListening(), !listenerStopped);
    QCOMPARE(h.model->isResponding(), stillResponding);
    QCOMPARE(h.model->realtimeTranscriptMessageID(), listenerStopped ? transcriptID : std::nullopt);
    h.computerUse->gate.open();
    QVERIFY(h.waitForQuiet());
}

void VoiceOrchestrationTest::callbacksTakeEffectOnALaterTurnInOrder()
{
    AppModelHarness h;
    QCOMPARE(h.wake->starts, 1);
    Q_EMIT h.wake->listeningChanged(true);
    Q_EMIT h.realtime->assistantTranscriptChanged(u"Hel"_qs);
    Q_EMIT h.realtime->assistantTranscriptChanged(u"  Hello there \n"_qs);
    Q_EMIT h.realtime->responseDone();
    Q_EMIT h.realtime->assistantTranscriptChanged(u"Next answer"_qs);
    QVERIFY(h.model->messages().isEmpty());
    QVERIFY(!h.model->isWakeWordListening());

    h.processEvents();
    QVERIFY(h.model->isWakeWordListening());
    QCOMPARE(contents(h.model->messages()), (QStringList{u"Hello there"_qs, u"Next answer"_qs}));
    QCOMPARE(h.model->messages().first().role, ConversationRole::assistant);
    QCOMPARE(h.model->messages().first().mode, std::optional(InputMode::quiet));
}

void VoiceOrchestrationTest::blankTranscriptMakesNoMessage()
{
    AppModelHarness h;
    Q_EMIT h.realtime->assistantTranscriptChanged(u" \n\t "_qs);
    h.processEvents();
    QVERIFY(h.model->messages().isEmpty());
    QCOMPARE(h.model->realtimeTranscriptMessageID(), std::nullopt);
}

void VoiceOrchestrationTest::toolCallPlaceholderIsReplacedByItsResult()
{
    AppModelHarness h;
    Q_EMIT h.realtime->computerUseStarted(u"run_python_script"_qs, u"build_presentation()"_qs);
    h.processEvents();
    QCOMPARE(h.model->artifacts().size(), 1);
    const Artifact placeholder = h.model->artifacts().first();
    QCOMPARE(placeholder.kind, ArtifactKind::presentation);
    QCOMPARE(placeholder.title, u"Creating Presentation Slides..."_qs);
    QCOMPARE(placeholder.status, ArtifactStatus::running);
    QCOMPARE(h.model->tempVoiceArtifactID(), std::optional(placeholder.id));
    QCOMPARE(h.model->selectedArtifactID(), std::optional(placeholder.id));

    const Artifact deck{.kind = ArtifactKind::presentation, .title = u"Deck"_qs};
    Q_EMIT h.realtime->computerUseFinished({.summary = u"Made slides."_qs, .artifact = deck});
    h.processEvents();
    QCOMPARE(h.model->artifacts(), QList<Artifact>{deck});
    QCOMPARE(h.model->tempVoiceArtifactID(), std::nullopt);
    QCOMPARE(h.model->selectedArtifactID(), std::optional(deck.id));
    QCOMPARE(contents(h.model->messages()), QStringList{u"Made slides."_qs});
    QVERIFY(h.speech->spoken.isEmpty());

    // An action that needs no placeholder shows none.
    Q_EMIT h.realtime->computerUseStarted(u"open_app"_qs, std::nullopt);
    h.processEvents();
    QCOMPARE(h.model->artifacts().size(), 1);
}

void VoiceOrchestrationTest::overlappingToolCallsLeaveTheFirstPlaceholder()
{
    AppModelHarness h;
    Q_EMIT h.realtime->computerUseStarted(u"generate_image"_qs, std::nullopt);
    Q_EMIT h.realtime->computerUseStarted(u"generate_image"_qs, std::nullopt);
    h.processEvents();
    QCOMPARE(h.model->artifacts().size(), 2);
    const Artifact first = h.model->artifacts().at(0);
    QCOMPARE(h.model->tempVoiceArtifactID(), std::optional(h.model->artifacts().at(1).id));

    Q_EMIT h.realtime->computerUseFinished({.summary = u"One."_qs});
    Q_EMIT h.realtime->computerUseFinished({.summary = u"Two."_qs});
    h.processEvents();
    QCOMPARE(h.model->artifacts(), QList<Artifact>{first});
    QCOMPARE(h.model->tempVoiceArtifactID(), std::nullopt);
}

void VoiceOrchestrationTest::resultDuringLiveSessionWithoutArtifactChangesNothing()
{
    AppModelHarness h;
    h.realtime->active = true;
    Q_EMIT h.realtime->computerUseFinished({.summary = u"Opened Files."_qs});
    h.processEvents();
    QVERIFY(h.model->messages().isEmpty());
    QVERIFY(h.model->artifacts().isEmpty());
}

void VoiceOrchestrationTest::consecutiveResultsShareOneMessageUntilCleared()
{
    AppModelHarness h;
    Q_EMIT h.realtime->computerUseFinished({.summary = u"First."_qs});
    Q_EMIT h.realtime->computerUseFinished({.summary = u"Second."_qs});
    h.processEvents();
    QCOMPARE(contents(h.model->messages()), QStringList{u"Second."_qs});

    Q_EMIT h.realtime->responseDone();
    Q_EMIT h.realtime->computerUseFinished({.summary = u"Third."_qs});
    h.processEvents();
    QCOMPARE(contents(h.model->messages()), (QStringList{u"Second."_qs, u"Third."_qs}));

    // After a new session the remembered message is gone: a new one is written.
    h.model->startNewSession();
    Q_EMIT h.realtime->computerUseFinished({.summary = u"Fourth."_qs});
    h.processEvents();
    QCOMPARE(contents(h.model->messages()), QStringList{u"Fourth."_qs});
}

void VoiceOrchestrationTest::realtimeErrorIsLoggedAndApologised()
{
    AppModelHarness h;
    h.assistant->gate.close();
    h.submit(QStringLiteral("question"));
    Q_EMIT h.realtime->failed(u"socket closed: 1006"_qs);
    h.processEvents();

    QVERIFY(!h.model->isResponding());
    QCOMPARE(h.realtime->logLines,
             QStringList{u"System error encountered: socket closed: 1006"_qs});
    const ConversationMessage apology = h.model->messages().last();
    QCOMPARE(apology.role, ConversationRole::assistant);
    QCOMPARE(apology.content,
             u"I'm having trouble connecting to my service right now. I've logged the issue for "
             u"my administrator to look into. Please try again in a few moments."_qs);
    h.assistant->gate.open();
    QVERIFY(h.waitForQuiet());
}

void VoiceOrchestrationTest::callbacksAfterTheModelIsGoneDoNothing()
{
    AppModelHarness h;
    Q_EMIT h.realtime->failed(u"posted before the end"_qs);
    h.model.reset();
    h.processEvents();
    Q_EMIT h.realtime->wakePhraseDetected();
    Q_EMIT h.wake->wakePhraseHeard({u"open files"_qs});
    h.processEvents();
    QVERIFY(h.realtime->logLines.isEmpty());
    QVERIFY(h.computerUse->executed.isEmpty());
    QCOMPARE(h.activator->activations, 0);
}

void VoiceOrchestrationTest::wakePhrase_data()
{
    QTest::addColumn<std::optional<QString>>("suffix");
    QTest::addColumn<bool>("heardClearly");
    QTest::addColumn<bool>("runsCommand");
    QTest::newRow("recognised command") << std::optional<QString>(u"open files"_qs) << true << true;
    QTest::newRow("recognised command, misheard perhaps")
        << std::optional<QString>(u"open files"_qs) << false << false;
    QTest::newRow("words no parser knows")
        << std::optional<QString>(u"tell me a joke"_qs) << true << false;
    QTest::newRow("empty words") << std::optional<QString>(QString()) << true << false;
    QTest::newRow("phrase alone") << std::optional<QString>() << true << false;
}

void VoiceOrchestrationTest::wakePhrase()
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
    QVERIFY(h.activator->activations >= 1);
    QTRY_COMPARE(h.activator->activations, 2);
    QVERIFY(h.waitForQuiet());

    if (runsCommand) {
        QCOMPARE(h.computerUse->executed, QStringList{*suffix});
        // Spoken, so it acts on what is in front.
        QVERIFY(h.computerUse->typedCommands.isEmpty());
        QVERIFY(h.realtime->starts.isEmpty());
        QCOMPARE(contents(h.model->messages()), (QStringList{*suffix, u"Did open files."_qs}));
        QCOMPARE(h.model->messages().first().role, ConversationRole::user);
        QCOMPARE(h.model->messages().first().mode, std::optional(InputMode::voice));
        QCOMPARE(h.model->messages().last().mode, std::optional(InputMode::voice));
        QCOMPARE(h.speech->spoken, QStringList{u"Did open files."_qs});
    } else {
        QVERIFY(h.computerUse->executed.isEmpty());
        QCOMPARE(h.realtime->starts, QList<bool>{true});
        QVERIFY(h.model->messages().isEmpty());
    }
}

void VoiceOrchestrationTest::wakeCommandFeedbackRestartsListening()
{
    AppModelHarness h;
    Q_EMIT h.wake->wakePhraseHeard({u"open files"_qs});
    QVERIFY(h.waitForQuiet());
    QVERIFY(h.model->realtimeTranscriptMessageID());
    const int startsBefore = h.wake->starts;

    h.speech->finish();
    QCOMPARE(h.model->realtimeTranscriptMessageID(), std::nullopt);
    QCOMPARE(h.wake->starts, startsBefore + 1);
    QCOMPARE(h.realtime->feedbackHandBacks, 0);

    // The next wake command gets a message of its own.
    Q_EMIT h.wake->wakePhraseHeard({u"open mail"_qs});
    QVERIFY(h.waitForQuiet());
    QCOMPARE(contents(h.model->messages()), (QStringList{u"open files"_qs, u"Did open files."_qs,
                                                         u"open mail"_qs, u"Did open mail."_qs}));

    // With a session running, the end of the feedback goes to the session instead.
    Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::recording);
    h.processEvents();
    const int startsDuringSession = h.wake->starts;
    h.speech->finish();
    QCOMPARE(h.realtime->feedbackHandBacks, 1);
    QCOMPARE(h.wake->starts, startsDuringSession);
}

void VoiceOrchestrationTest::speakInQuietModeSaysNothing()
{
    AppModelHarness h;
    h.model->applyRealtimeComputerUseResult({.summary = u"Done."_qs}, true);
    QVERIFY(h.speech->spoken.isEmpty());
    QCOMPARE(contents(h.model->messages()), QStringList{u"Done."_qs});
}

void VoiceOrchestrationTest::voiceButtonTogglesTheSession()
{
    AppModelHarness h;
    Q_EMIT h.wake->listeningChanged(true);
    h.processEvents();
    h.model->startComputerUseVoiceMode();
    QCOMPARE(h.model->inputMode(), InputMode::voice);
    QCOMPARE(h.realtime->starts, QList<bool>{true});
    QCOMPARE(h.realtime->stops, 0);
    QCOMPARE(h.wake->stops, 1);
    QVERIFY(!h.model->isWakeWordListening());

    // "Enable Voice" during a live session ends it.
    h.realtime->active = true;
    h.model->setMode(InputMode::voice);
    QCOMPARE(h.realtime->stops, 1);
    QCOMPARE(h.realtime->starts.size(), 1);

    // A session still connecting is cancelled, not started a second time.
    h.realtime->active = false;
    h.realtime->connecting = true;
    h.model->startComputerUseVoiceMode();
    QCOMPARE(h.realtime->stops, 2);
    QCOMPARE(h.realtime->starts.size(), 1);
}

void VoiceOrchestrationTest::holdToTalkEntersVoiceModeWithoutStealingFocus()
{
    AppModelHarness h;
    h.model->beginHoldToTalk();
    h.model->endHoldToTalk();
    QCOMPARE(h.realtime->heldTurns, (QStringList{u"begin"_qs, u"end"_qs}));
    QCOMPARE(h.model->inputMode(), InputMode::voice);
    QCOMPARE(h.wake->stops, 1);
    QCOMPARE(h.activator->activations, 0);
}

void VoiceOrchestrationTest::quietModeTurnsAudioOffOnlyInALiveSession()
{
    AppModelHarness h;
    h.model->setMode(InputMode::voice);
    h.model->setMode(InputMode::quiet);
    QVERIFY(h.realtime->voiceModes.isEmpty());
    QCOMPARE(h.model->inputMode(), InputMode::quiet);

    h.realtime->active = true;
    h.model->setMode(InputMode::quiet);
    QCOMPARE(h.realtime->voiceModes, QList<bool>{false});
    QCOMPARE(h.realtime->stops, 0);
}

void VoiceOrchestrationTest::wakeErrors()
{
    AppModelHarness h;
    Q_EMIT h.wake->listeningChanged(true);
    Q_EMIT h.wake->failed(u"microphone busy"_qs);
    h.processEvents();
    QVERIFY(!h.model->isWakeWordListening());
    QCOMPARE(h.model->messages().size(), 1);
    QCOMPARE(h.model->messages().first().content, u"Wake phrase failed: microphone busy"_qs);
    QCOMPARE(h.model->messages().first().mode, std::optional(InputMode::voice));
    QCOMPARE(h.wake->starts, 1);

    // The listener comes back with the next end of a session, and never during one.
    Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::connecting);
    h.processEvents();
    h.model->startWakeWordListening();
    QCOMPARE(h.wake->starts, 1);
    Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::failed);
    h.processEvents();
    QCOMPARE(h.wake->starts, 2);
}

void VoiceOrchestrationTest::standInsSayWhatIsMissing()
{
    AppModel model(AppModelServices{
        .recognizesCommand = [](QStringView text) { return text.startsWith(u"open "); }});
    QList<RealtimeVoiceState> states;
    connect(&model, &AppModel::realtimeVoiceStateChanged, this,
            [&] { states.append(model.realtimeVoiceState()); });

    model.startComputerUseVoiceMode();
    AppModelHarness::processEvents();
    QCOMPARE(states, (QList{RealtimeVoiceState::connecting, RealtimeVoiceState::failed}));
    QCOMPARE(model.messages().size(), 1);
    QVERIFY(model.messages().first().content.startsWith(u"I'm having trouble connecting"));

    model.setMode(InputMode::quiet);
    model.setPromptText(u"hello"_qs);
    model.submitPrompt();
    model.setPromptText(u"open files"_qs);
    QTRY_VERIFY(!model.isResponding());
    model.submitPrompt();
    QTRY_VERIFY(!model.isResponding());
    QCOMPARE(contents(model.messages()).mid(1),
             (QStringList{u"hello"_qs, u"The text assistant is not available in this build."_qs,
                          u"open files"_qs, u"Computer use is not available in this build."_qs}));
}

QTEST_GUILESS_MAIN(VoiceOrchestrationTest)
#include "tst_voiceorchestration.moc"
