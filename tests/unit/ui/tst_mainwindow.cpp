// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFixture.h"
#include "app/AppIntentRouter.h"
#include "app/CreateKorvaneNoteIntent.h"
#include "app/OpenKorvaneSectionIntent.h"
#include "search/SearchResult.h"
#include "unit/app/AppFakes.h"

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

Artifact artifact(ArtifactKind kind, const QString& title, const QString& body,
                  std::optional<QString> imagePath = {})
{
    return Artifact{.kind = kind, .title = title, .body = body, .imagePath = std::move(imagePath)};
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
        AppModelHarness& harness = m_fixture->harness();
        QQuickItem* field = m_fixture->item(u"promptField"_qs);
        QVERIFY(field);
        field->forceActiveFocus();
        harness.assistant->replies.append(
            AssistantResponse{.message = assistantMessage(u"<b>Hi</b> there."_qs)});
        typeText(window, u"What is new?"_qs);
        QTest::keyClick(window, Qt::Key_Return);
        QVERIFY(harness.waitForQuiet());
        m_fixture->settle();
        QCOMPARE(m_fixture->text(u"promptField"_qs), QString());
        // Model text is shown as it came, never as markup.
        QCOMPARE(m_fixture->text(u"messageContent"_qs), u"<b>Hi</b> there."_qs);

        harness.assistant->replies.append(AssistantResponse{
            .message = assistantMessage(u"Here is the brief."_qs),
            .artifacts = {artifact(ArtifactKind::markdown, u"Product Brief"_qs, u"# Brief"_qs)}});
        typeText(window, u"Write a brief"_qs);
        click(window, m_fixture->item(u"sendButton"_qs));
        QVERIFY(harness.waitForQuiet());
        m_fixture->settle();
        QCOMPARE(m_fixture->text(u"inspectorTitle"_qs), u"Product Brief"_qs);

        // Collapsed and opened again, the inspector shows the same artifact.
        QQuickItem* inspector = m_fixture->item(u"inspector"_qs);
        QMetaObject::invokeMethod(m_fixture->item(u"inspectorToggle"_qs), "clicked");
        m_fixture->settle();
        QVERIFY(!inspector->isVisible());
        QMetaObject::invokeMethod(m_fixture->item(u"inspectorToggle"_qs), "clicked");
        m_fixture->settle();
        QVERIFY(inspector->isVisible());
        QCOMPARE(m_fixture->text(u"inspectorTitle"_qs), u"Product Brief"_qs);
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
        // Notes from a launcher: one left before the model follows the router, one after.
        AppIntentRouter router;
        CreateKorvaneNoteIntent{.text = u"Buy milk"_qs}.perform(router);
        model.followIntentRouter(router);
        QCOMPARE(model.promptText(), u"Buy milk"_qs);
        OpenKorvaneSectionIntent{.section = KorvaneSectionIntentValue::search}.perform(router);
        QCOMPARE(model.selectedSection(), std::optional(SidebarSection::search));
        toggle->forceActiveFocus();
        CreateKorvaneNoteIntent{.text = u"Buy eggs"_qs}.perform(router);
        m_fixture->settle();
        QCOMPARE(m_fixture->text(u"promptField"_qs), u"Buy eggs"_qs);
        QCOMPARE(model.selectedSection(), std::optional(SidebarSection::chat));
        QVERIFY(field->hasActiveFocus());
    }

    void proposedScriptIsShownWholeAndAnswered()
    {
        AppModelHarness& harness = m_fixture->harness();
        harness.controlSettings.allowComputerControl = false;
        const QString code = u"# <b>not markup</b>\nimport shutil\nshutil.rmtree('old')"_qs;
        harness.assistant->replies.append(AssistantResponse{
            .message = assistantMessage(u"Cleaning up."_qs),
            .action = AssistantAction{.type = u"run_python_script"_qs, .scriptCode = code}});
        harness.submit(u"tidy the folder"_qs);
        QTRY_VERIFY(harness.approvals->hasPending());
        m_fixture->settle();

        QVERIFY(m_fixture->item(u"actionApproval"_qs)->isVisible());
        QCOMPARE(m_fixture->text(u"approvalTitle"_qs),
                 u"The assistant wants to run this Python script"_qs);
        QCOMPARE(m_fixture->text(u"approvalDetail"_qs), code);

        click(m_fixture->window(), m_fixture->item(u"allowWithNetworkButton"_qs));
        QVERIFY(harness.waitForQuiet());
        m_fixture->settle();
        QCOMPARE(harness.computerUse->scripts, QStringList{code});
        QVERIFY(harness.computerUse->scriptPermissions.first().network);
        QVERIFY(!m_fixture->item(u"actionApproval"_qs)->isVisible());
    }

    void artifactKinds_data()
    {
        QTest::addColumn<Artifact>("shown");
        QTest::addColumn<QString>("probe");
        const QString sunrise = picture(m_pictures, u"sunrise.png"_qs, QColor(0xff, 0x9a, 0x62));

        QTest::newRow("note") << artifact(ArtifactKind::note, u"Shopping"_qs,
                                          u"Milk, eggs and bread."_qs, u"/tmp/notes.txt"_qs)
                              << u"openFileButton"_qs;
        QTest::newRow("image") << artifact(ArtifactKind::image, u"Sunrise"_qs, u"1024x1024 sun"_qs,
                                           QUrl::fromLocalFile(sunrise).toString())
                               << u"saveImageButton"_qs;
        const QList<SearchResult> results{
            {.title = u"Pancakes <i>classic</i>"_qs,
             .url = u"https://recipes.example/pancakes"_qs,
             .snippet = u"Fluffy & quick."_qs,
             .imageUrl = QUrl::fromLocalFile(sunrise).toString(),
             .recipeIngredients = QStringList{u"2 eggs"_qs, u"1 cup flour"_qs},
             .recipeInstructions = QStringList{u"Whisk."_qs, u"Fry."_qs}},
        };
        QTest::newRow("search") << artifact(ArtifactKind::search, u"Pancakes"_qs,
                                            encodeSearchResults(results))
                                << u"heroTitle"_qs;
        QTest::newRow("presentation")
            << artifact(ArtifactKind::presentation, u"Deck"_qs,
                        u"One\n[IMAGE:"_qs % sunrise % u"]\n---\nTwo\n[IMAGE:generating|fox]"_qs)
            << u"slideCard"_qs;
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
        QCOMPARE(m_fixture->text(u"inspectorTitle"_qs), shown.title);
        QQuickItem* probed = m_fixture->item(probe);
        QVERIFY2(probed && probed->isVisible(), qPrintable(probe));
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
