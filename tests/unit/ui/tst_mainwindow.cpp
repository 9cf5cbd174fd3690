// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFixture.h"
#include "app/UserSettings.h"
#include "computeruse/ScriptEnvironmentActivity.h"
#include "search/SearchResult.h"
#include "unit/app/AppFakes.h"

#include <QDir>
#include <QImage>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Korvane_UiPlugin)

using namespace korvane;
using namespace korvane::test;

namespace {

void typeText(QWindow* window, const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

void click(QQuickWindow* window, QQuickItem* item)
{
    QVERIFY(item);
    QTest::mouseClick(window, Qt::LeftButton, {},
                      item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
}

// Screenshots land in the build folder (or KORVANE_SCREENSHOT_DIR) for people to look at.
bool saveShot(QQuickWindow* window, const QString& name)
{
    QString dir = qEnvironmentVariable("KORVANE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(u"../screenshots"_qs);
    const QString platform =
        QGuiApplication::platformName() == u"xcb" ? u"xvfb"_qs : u"offscreen"_qs;
    const QImage image = window->grabWindow();
    return QDir().mkpath(dir) && !image.isNull() &&
           image.save(QDir(dir).filePath(platform % u'-' % name % u".png"));
}

Artifact artifact(ArtifactKind kind, const QString& title, const QString& body,
                  std::optional<QString> imagePath = {},
                  ArtifactStatus status = ArtifactStatus::ready)
{
    return Artifact{.kind = kind,
                    .title = title,
                    .status = status,
                    .body = body,
                    .imagePath = std::move(imagePath)};
}

QString picture(const QTemporaryDir& dir, const QString& name, QColor colour)
{
    QImage image(960, 540, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    image.save(path);
    return path;
}

} // namespace

Q_DECLARE_METATYPE(korvane::Artifact)

class MainWindowTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QQuickStyle::setStyle(u"Fusion"_qs);
        QVERIFY(m_pictures.isValid());
    }

    void init()
    {
        m_fixture = std::make_unique<WindowFixture>();
        QVERIFY(m_fixture->load());
    }

    void cleanup()
    {
        const QStringList warnings = m_fixture->warnings;
        m_fixture.reset();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    void composerSendsWhatIsTyped()
    {
        QQuickWindow* window = m_fixture->window();
        QCOMPARE(window->title(), u"Korvane"_qs);
        QCOMPARE(window->minimumSize(), QSize(1120, 720));
        QCOMPARE(m_fixture->property(u"inspectorTitle"_qs, "text").toString(),
                 u"Waiting for Response"_qs);
        AppModelHarness& harness = m_fixture->harness();
        QQuickItem* field = m_fixture->item(u"promptField"_qs);
        QVERIFY(field);
        field->forceActiveFocus();
        // A blank prompt stays in the composer.
        typeText(window, u"   "_qs);
        QTest::keyClick(window, Qt::Key_Return);
        m_fixture->settle();
        QVERIFY(harness.model->messages().isEmpty());
        QCOMPARE(m_fixture->property(u"promptField"_qs, "text").toString(), u"   "_qs);
        harness.model->setPromptText(QString());

        harness.assistant->replies.append(
            AssistantResponse{.message = assistantMessage(u"<b>Hi</b> there."_qs)});
        typeText(window, u"What is new?"_qs);
        QCOMPARE(harness.model->promptText(), u"What is new?"_qs);
        QTest::keyClick(window, Qt::Key_Return);
        QVERIFY(harness.waitForQuiet());
        m_fixture->settle();
        QCOMPARE(harness.assistant->requests.size(), 1);
        QCOMPARE(m_fixture->property(u"promptField"_qs, "text").toString(), QString());
        QCOMPARE(m_fixture->property(u"inspectorTitle"_qs, "text").toString(),
                 u"Realtime Output"_qs);
        // Model text is shown as it came, never as markup.
        QCOMPARE(m_fixture->property(u"messageContent"_qs, "text").toString(),
                 u"<b>Hi</b> there."_qs);

        harness.assistant->replies.append(AssistantResponse{
            .message = assistantMessage(u"Here is the brief."_qs),
            .artifacts = {artifact(ArtifactKind::markdown, u"Product Brief"_qs, u"# Brief"_qs)}});
        typeText(window, u"Write a brief"_qs);
        click(window, m_fixture->item(u"sendButton"_qs));
        QVERIFY(harness.waitForQuiet());
        m_fixture->settle();
        QCOMPARE(m_fixture->property(u"inspectorTitle"_qs, "text").toString(), u"Product Brief"_qs);
        QCOMPARE(m_fixture->property(u"kindLabel"_qs, "text").toString(), u"Markdown"_qs);
        QCOMPARE(m_fixture->property(u"statusLabel"_qs, "text").toString(), u"Ready"_qs);
    }

    void promptTakesFocusOnEveryRequest()
    {
        AppModel& model = *m_fixture->harness().model;
        QQuickItem* field = m_fixture->item(u"promptField"_qs);
        QQuickItem* toggle = m_fixture->item(u"inspectorToggle"_qs);
        QVERIFY(field && toggle);
        for (int round = 0; round < 2; ++round) {
            toggle->forceActiveFocus();
            model.toggleShouldFocusPrompt();
            m_fixture->settle();
            QVERIFY2(field->hasActiveFocus(), round == 0 ? "on true" : "on false");
        }
        toggle->forceActiveFocus();
        model.applyIntentRoute(AppIntentRoute{.prefilledPrompt = u"Buy milk"_qs});
        m_fixture->settle();
        QCOMPARE(m_fixture->property(u"promptField"_qs, "text").toString(), u"Buy milk"_qs);
        QVERIFY(field->hasActiveFocus());
    }

    void menuSwitchesTheMode()
    {
        AppModelHarness& harness = m_fixture->harness();
        QObject* voice = m_fixture->window()->findChild<QObject*>(u"enableVoiceAction"_qs);
        QVERIFY(voice);
        QMetaObject::invokeMethod(voice, "trigger");
        m_fixture->settle();
        QCOMPARE(harness.model->inputMode(), InputMode::voice);
        QCOMPARE(harness.realtime->starts.size(), 1);
        QMetaObject::invokeMethod(m_fixture->window()->findChild<QObject*>(u"enableQuietAction"_qs),
                                  "trigger");
        m_fixture->settle();
        QCOMPARE(harness.model->inputMode(), InputMode::quiet);
    }

    void inspectorToggleKeepsSelection()
    {
        AppModelHarness& harness = m_fixture->harness();
        harness.assistant->replies.append(
            AssistantResponse{.message = assistantMessage(u"Two."_qs),
                              .artifacts = {artifact(ArtifactKind::note, u"First"_qs, u"a"_qs),
                                            artifact(ArtifactKind::note, u"Second"_qs, u"b"_qs)}});
        harness.submit(u"two notes"_qs);
        QVERIFY(harness.waitForQuiet());
        harness.model->setSelectedArtifactID(harness.model->artifacts().constFirst().id);
        m_fixture->settle();

        QQuickItem* toggle = m_fixture->item(u"inspectorToggle"_qs);
        QQuickItem* inspector = m_fixture->item(u"inspector"_qs);
        QVERIFY(inspector->isVisible());
        QMetaObject::invokeMethod(toggle, "clicked");
        m_fixture->settle();
        QVERIFY(!inspector->isVisible());
        QVERIFY(saveShot(m_fixture->window(), u"inspector-collapsed"_qs));
        QMetaObject::invokeMethod(toggle, "clicked");
        m_fixture->settle();
        QVERIFY(inspector->isVisible());
        QCOMPARE(m_fixture->property(u"inspectorTitle"_qs, "text").toString(), u"First"_qs);
    }

    void proposedScriptIsShownWholeAndAnswered()
    {
        AppModelHarness& harness = m_fixture->harness();
        harness.controlSettings.allowComputerControl = false;
        const QString code = u"# <b>not markup</b>\nimport shutil\nshutil.rmtree('old')"_qs;
        harness.assistant->replies.append(AssistantResponse{
            .message = assistantMessage(u"Cleaning up."_qs),
            .action = AssistantAction{.type = u"run_python_script"_qs, .scriptCode = code}});
        QVERIFY(!m_fixture->item(u"actionApproval"_qs)->isVisible());
        harness.submit(u"tidy the folder"_qs);
        QTRY_VERIFY(harness.approvals->hasPending());
        m_fixture->settle();

        QVERIFY(m_fixture->item(u"actionApproval"_qs)->isVisible());
        QCOMPARE(m_fixture->property(u"approvalTitle"_qs, "text").toString(),
                 u"The assistant wants to run this Python script"_qs);
        QCOMPARE(m_fixture->property(u"approvalDetail"_qs, "text").toString(), code);
        QVERIFY(saveShot(m_fixture->window(), u"approval"_qs));
        QVERIFY(harness.computerUse->scripts.isEmpty());

        click(m_fixture->window(), m_fixture->item(u"allowWithNetworkButton"_qs));
        QVERIFY(harness.waitForQuiet());
        m_fixture->settle();
        QCOMPARE(harness.computerUse->scripts, QStringList{code});
        QVERIFY(harness.computerUse->scriptPermissions.first().network);
        QVERIFY(!m_fixture->item(u"actionApproval"_qs)->isVisible());
    }

    void setupNoticesFollowKeyAndScriptEnvironment()
    {
        // No key anywhere: the banner says what to set and where.
        const QByteArray savedKey = qgetenv("OPENAI_API_KEY");
        qunsetenv("OPENAI_API_KEY");
        qputenv("KORVANE_ENV_FILES", "");
        m_fixture = std::make_unique<WindowFixture>();
        QVERIFY(m_fixture->load());
        QCOMPARE(m_fixture->property(u"apiKeyBanner"_qs, "visible").toBool(), true);
        const QString advice = m_fixture->property(u"apiKeyAdvice"_qs, "text").toString();
        QVERIFY2(advice.contains(u"korvane/.env.local") && advice.contains(u"OPENAI_BASE_URL"),
                 qPrintable(advice));
        QCOMPARE(m_fixture->property(u"scriptEnvironmentNotice"_qs, "visible").toBool(), false);
        {
            const ScriptEnvironmentActivity::Preparation preparing;
            QTRY_COMPARE(m_fixture->property(u"scriptEnvironmentNotice"_qs, "visible").toBool(),
                         true);
            QVERIFY(saveShot(m_fixture->window(), u"first-run"_qs));
        }
        QTRY_COMPARE(m_fixture->property(u"scriptEnvironmentNotice"_qs, "visible").toBool(), false);

        // Once a key is found, the banner goes by itself.
        qputenv("OPENAI_API_KEY", "sk-test-dummy");
        QTRY_COMPARE_WITH_TIMEOUT(m_fixture->property(u"apiKeyBanner"_qs, "visible").toBool(),
                                  false, 10000);
        if (savedKey.isNull())
            qunsetenv("OPENAI_API_KEY");
        else
            qputenv("OPENAI_API_KEY", savedKey);
        qunsetenv("KORVANE_ENV_FILES");
    }

    void settingsWindowStoresToggles()
    {
        QVERIFY(QMetaObject::invokeMethod(m_fixture->window(), "showSettings"));
        QQuickWindow* settingsWindow = nullptr;
        const auto windows = m_fixture->window()->findChildren<QQuickWindow*>();
        for (QQuickWindow* candidate : windows) {
            if (candidate->title() == u"Korvane Settings"_qs)
                settingsWindow = candidate;
        }
        QVERIFY(settingsWindow);
        QVERIFY(QTest::qWaitForWindowExposed(settingsWindow));
        m_fixture->settle();
        const auto find = [settingsWindow](const QString& name) {
            return WindowFixture::findItem(settingsWindow->contentItem(), name);
        };
        QQuickItem* readAloud = find(u"readResponsesAloud"_qs);
        QQuickItem* quiet = find(u"startInQuietMode"_qs);
        QQuickItem* provider = find(u"preferredAssistantProvider"_qs);
        QVERIFY(readAloud && quiet && provider);
        QCOMPARE(quiet->property("checked").toBool(), true);
        QCOMPARE(readAloud->property("checked").toBool(), false);
        QCOMPARE(provider->property("currentText").toString(), u"OpenAI"_qs);
        QVERIFY(saveShot(settingsWindow, u"settings"_qs));

        QTest::mouseClick(settingsWindow, Qt::LeftButton, {},
                          readAloud->mapToScene(QPointF(20, readAloud->height() / 2)).toPoint());
        m_fixture->settle();
        QCOMPARE(m_fixture->settings().readResponsesAloud(), true);
        QCOMPARE(UserSettings(m_fixture->settingsFile()).readResponsesAloud(), true);
        settingsWindow->close();
    }

    void micFollowsVoiceState_data()
    {
        QTest::addColumn<RealtimeVoiceState>("state");
        QTest::addColumn<bool>("wake");
        QTest::addColumn<QString>("title");
        QTest::newRow("idle-wake") << RealtimeVoiceState::idle << true << u"Ready"_qs;
        QTest::newRow("idle") << RealtimeVoiceState::idle << false << u"Ready"_qs;
        QTest::newRow("recording") << RealtimeVoiceState::recording << false << u"Listening"_qs;
        QTest::newRow("failed") << RealtimeVoiceState::failed << false << u"Voice Failed"_qs;
    }
    void micFollowsVoiceState()
    {
        QFETCH(RealtimeVoiceState, state);
        QFETCH(bool, wake);
        QFETCH(QString, title);
        AppModelHarness& harness = m_fixture->harness();
        Q_EMIT harness.wake->listeningChanged(wake);
        Q_EMIT harness.realtime->stateChanged(state);
        m_fixture->settle();
        QCOMPARE(m_fixture->property(u"statusTitle"_qs, "text").toString(), title);
        const QString subtitle = m_fixture->property(u"statusSubtitle"_qs, "text").toString();
        QCOMPARE(subtitle.contains(u"Hey Korva"_qs), wake);
        QVERIFY(saveShot(m_fixture->window(),
                         u"voice-"_qs % QString::fromLatin1(QTest::currentDataTag())));
    }

    void artifactKinds_data()
    {
        QTest::addColumn<Artifact>("shown");
        QTest::addColumn<QString>("probe");
        const QString sunrise = picture(m_pictures, u"sunrise.png"_qs, QColor(0xff, 0x9a, 0x62));
        const QString sea = picture(m_pictures, u"sea.png"_qs, QColor(0x3a, 0x9b, 0xd9));

        QTest::newRow("markdown")
            << artifact(
                   ArtifactKind::markdown, u"Product Brief"_qs,
                   u"# Korvane\n## Goals\nA **voice-first** assistant with *inline* styles.\n\n"
                   "- Speak or type\n- See artifacts\n3. Numbered shows one\n### Notes\nPlain `code` too."_qs)
            << u"kindLabel"_qs;
        QTest::newRow("note") << artifact(ArtifactKind::note, u"Shopping"_qs,
                                          u"Milk, eggs and bread."_qs, u"/tmp/notes.txt"_qs)
                              << u"openFileButton"_qs;
        QTest::newRow("diagram") << artifact(ArtifactKind::diagram, u"Session Flow"_qs,
                                             u"1. Listen\n2. Think\n3. Act"_qs, std::nullopt,
                                             ArtifactStatus::needsReview)
                                 << u"statusLabel"_qs;
        QTest::newRow("progress") << artifact(ArtifactKind::progress, u"Working"_qs,
                                              u"Step 2 of 3"_qs, std::nullopt,
                                              ArtifactStatus::running)
                                  << u"statusLabel"_qs;
        QTest::newRow("image") << artifact(ArtifactKind::image, u"Sunrise"_qs, u"1024x1024 sun"_qs,
                                           QUrl::fromLocalFile(sunrise).toString())
                               << u"saveImageButton"_qs;
        QTest::newRow("image-pending") << artifact(ArtifactKind::image, u"Generating Image..."_qs,
                                                   QString(), std::nullopt, ArtifactStatus::running)
                                       << u"kindLabel"_qs;
        const QString deck = u"Korvane\nVoice first\n[IMAGE:"_qs % sea %
                             u"]\n---\nSecond slide\n[IMAGE:generating|a red fox]\nMore text"_qs;
        QTest::newRow("presentation")
            << artifact(ArtifactKind::presentation, u"Deck"_qs, deck, u"/tmp/Deck.pptx"_qs)
            << u"slideCard"_qs;
        QTest::newRow("presentation-empty")
            << artifact(ArtifactKind::presentation, u"Empty Deck"_qs, u"---"_qs) << u"noSlides"_qs;
        QTest::newRow("presentation-running")
            << artifact(ArtifactKind::presentation, u"Creating Presentation Slides..."_qs,
                        QString(), std::nullopt, ArtifactStatus::running)
            << u"kindLabel"_qs;
        const QList<SearchResult> results{
            {.title = u"Pancakes <i>classic</i>"_qs,
             .url = u"https://recipes.example/pancakes"_qs,
             .snippet = u"Fluffy & quick."_qs,
             .imageUrl = QUrl::fromLocalFile(sunrise).toString(),
             .recipeIngredients = QStringList{u"2 eggs"_qs, u"1 cup flour"_qs},
             .recipeInstructions = QStringList{u"Whisk."_qs, u"Fry."_qs}},
            {.title = u"Crêpes"_qs,
             .url = u"https://b.example/"_qs,
             .snippet = u"Thin."_qs,
             .imageUrl = QUrl::fromLocalFile(sea).toString()},
            {.title = u"Waffles"_qs, .url = u"https://c.example/"_qs, .snippet = u"Crisp."_qs},
        };
        QTest::newRow("search") << artifact(ArtifactKind::search, u"Pancakes"_qs,
                                            encodeSearchResults(results))
                                << u"heroTitle"_qs;
        QTest::newRow("search-undecodable")
            << artifact(ArtifactKind::search, u"Search"_qs, u"not json"_qs) << u"kindLabel"_qs;
    }
    void artifactKinds()
    {
        QFETCH(Artifact, shown);
        QFETCH(QString, probe);
        AppModelHarness& harness = m_fixture->harness();
        harness.assistant->replies.append(
            AssistantResponse{.message = assistantMessage(u"Done."_qs), .artifacts = {shown}});
        harness.submit(u"show it"_qs);
        QVERIFY(harness.waitForQuiet());
        m_fixture->settle();
        QTest::qWait(150); // asynchronous image loads
        m_fixture->settle();
        QCOMPARE(m_fixture->property(u"inspectorTitle"_qs, "text").toString(), shown.title);
        QQuickItem* probed = m_fixture->item(probe);
        QVERIFY2(probed && probed->isVisible(), qPrintable(probe));
        QVERIFY(saveShot(m_fixture->window(),
                         u"artifact-"_qs % QString::fromLatin1(QTest::currentDataTag())));
    }

    void slideNavigationStopsAtEnds()
    {
        AppModelHarness& harness = m_fixture->harness();
        // The background stays pending until the generation answers.
        harness.images->imageGate.close();
        harness.assistant->replies.append(AssistantResponse{
            .message = assistantMessage(u"Deck."_qs),
            .artifacts = {artifact(ArtifactKind::presentation, u"Deck"_qs,
                                   u"One\n---\nTwo\n[IMAGE:generating|fox]\n---\nThree"_qs)}});
        harness.submit(u"deck"_qs);
        QTRY_COMPARE(harness.images->generations.size(), 1);
        m_fixture->settle();
        QQuickItem* previous = m_fixture->item(u"previousSlide"_qs);
        QQuickItem* next = m_fixture->item(u"nextSlide"_qs);
        QVERIFY(previous && next);
        const auto caption = [this] {
            return m_fixture->property(u"slideCaption"_qs, "text").toString();
        };
        QCOMPARE(caption(), u"Slide 1 of 3"_qs);
        QObject* deck = previous->parentItem()->parentItem();
        QMetaObject::invokeMethod(deck, "previous");
        m_fixture->settle();
        QCOMPARE(caption(), u"Slide 1 of 3"_qs);
        QMetaObject::invokeMethod(deck, "next");
        m_fixture->settle();
        QCOMPARE(m_fixture->property(u"slideTitle"_qs, "text").toString(), u"Two"_qs);
        QVERIFY(m_fixture->item(u"backgroundPending"_qs)->isVisible());
        QVERIFY(saveShot(m_fixture->window(), u"artifact-presentation-pending-background"_qs));
        for (int i = 0; i < 3; ++i)
            QMetaObject::invokeMethod(deck, "next");
        m_fixture->settle();
        QCOMPARE(caption(), u"Slide 3 of 3"_qs);
        QCOMPARE(deck->property("currentSlideIndex").toInt(), 2);
        harness.images->imageGate.open();
        QVERIFY(harness.waitForQuiet());
    }

private:
    QTemporaryDir m_pictures;
    std::unique_ptr<WindowFixture> m_fixture;
};

#ifdef KORVANE_UNDER_XVFB
#include "XvfbMain.h"
KORVANE_XVFB_TEST_MAIN(MainWindowTest)
#else
QTEST_MAIN(MainWindowTest)
#endif
#include "tst_mainwindow.moc"
