#include "ui/ArtifactText.h"
#include "ui/FileOpening.h"
#include "ui/MarkdownLines.h"
#include "ui/SlideDeck.h"
#include "ui/WorkspaceText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

using Kind = MarkdownElement::Kind;
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

QStringList describe(const QList<MarkdownElement>& elements)
{
    QStringList lines;
    for (const auto& element : elements)
        lines.append(markdownKindName(element.kind) % u':' % element.text);
    return lines;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class UiRulesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void markdownLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty body is one spacer") << QString() << QStringList{u"spacer:"_qs};
        QTest::newRow("h2 with word") << u"## Word"_qs << QStringList{u"h2:Word"_qs};
        QTest::newRow("hash glued to word") << u"#Word"_qs << QStringList{u"paragraph:#Word"_qs};
        QTest::newRow("headings keep inner blanks")
            << u"#   Title\n###  Small"_qs << QStringList{u"h1:  Title"_qs, u"h3: Small"_qs};
        QTest::newRow("four hashes are a paragraph")
            << u"#### Deep"_qs << QStringList{u"paragraph:#### Deep"_qs};
        QTest::newRow("ten is a paragraph")
            << u"10. Ten"_qs << QStringList{u"paragraph:10. Ten"_qs};
        QTest::newRow("three is numbered")
            << u"3.   Three "_qs << QStringList{u"numbered:Three"_qs};
        QTest::newRow("numbered text after first dot")
            << u"2. a.b"_qs << QStringList{u"numbered:a.b"_qs};
        QTest::newRow("bullets") << u"- one\n* two\n-three"_qs
                                 << QStringList{u"bullet:one"_qs, u"bullet:two"_qs,
                                                u"paragraph:-three"_qs};
        QTest::newRow("indented with tabs") << u"\t  - item\t"_qs << QStringList{u"bullet:item"_qs};
        QTest::newRow("blank lines are spacers")
            << u"a\n \t\nb"_qs << QStringList{u"paragraph:a"_qs, u"spacer:"_qs, u"paragraph:b"_qs};
        QTest::newRow("zero is not a list marker")
            << u"0. zero"_qs << QStringList{u"paragraph:0. zero"_qs};
    }
    void markdownLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(describe(parseMarkdownLines(text)), expected);
    }

    void markdownElementsHaveTheirOwnIds()
    {
        const auto elements = parseMarkdownLines(u"a\na");
        QCOMPARE(elements.size(), 2);
        QVERIFY(elements[0].id != elements[1].id);
    }

    void slideSections_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty middle section dropped")
            << u"A\n---\n\n---\nB"_qs << QStringList{u"A"_qs, u"B"_qs};
        QTest::newRow("nothing") << u"  \n"_qs << QStringList{};
        QTest::newRow("separator inside a line splits")
            << u"one---two"_qs << QStringList{u"one"_qs, u"two"_qs};
        QTest::newRow("pieces trimmed")
            << u"\n  Title\nline  \n---"_qs << QStringList{u"Title\nline"_qs};
    }
    void slideSections()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, expected);
        QCOMPARE(slides(body), expected);
    }

    void extractImage_data()
    {
        QTest::addColumn<QString>("slide");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("pending reference") << u"Title\n  [IMAGE:generating|a red fox]  \ntext"_qs
                                           << std::optional<QString>(u"generating|a red fox"_qs);
        QTest::newRow("first of two")
            << u"[IMAGE:/a.png]\n[IMAGE:/b.png]"_qs << std::optional<QString>(u"/a.png"_qs);
        QTest::newRow("empty reference") << u"[IMAGE:]"_qs << std::optional<QString>(QString());
        QTest::newRow("not closed") << u"[IMAGE:/a.png"_qs << std::optional<QString>();
        QTest::newRow("not at line start") << u"see [IMAGE:/a.png]"_qs << std::optional<QString>();
        QTest::newRow("none") << u"Title"_qs << std::optional<QString>();
    }
    void extractImage()
    {
        QFETCH(QString, slide);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(korvane::extractImage(slide), expected);
    }

    void contentLinesSkipImagesAndBlanks()
    {
        QCOMPARE(getContentLines(u"  Title \n\n[IMAGE:x]\n see [IMAGE:y]\n\tPoint"),
                 (QStringList{u"Title"_qs, u"see [IMAGE:y]"_qs, u"Point"_qs}));
    }

    void filePlan_data()
    {
        using Target = FileOpenPlan::Target;
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("impress");
        QTest::addColumn<bool>("calc");
        QTest::addColumn<QString>("localPath");
        QTest::addColumn<Target>("target");
        QTest::newRow("file: csv with calc")
            << u"file:/tmp/data.csv"_qs << false << true << u"/tmp/data.csv"_qs
            << Target::spreadsheetApplication;
        QTest::newRow("file: csv without calc")
            << u"file:/tmp/data.csv"_qs << true << false << u"/tmp/data.csv"_qs
            << Target::defaultApplication;
        QTest::newRow("upper-case deck") << u"  /tmp/Deck.PPTX\n"_qs << true << true
                                         << u"/tmp/Deck.PPTX"_qs << Target::presentationApplication;
        QTest::newRow("deck without impress") << u"/tmp/deck.ppt"_qs << false << true
                                              << u"/tmp/deck.ppt"_qs << Target::defaultApplication;
        QTest::newRow("file url with escapes")
            << u"file:///tmp/My%20Sheet.xlsx"_qs << false << true << u"/tmp/My Sheet.xlsx"_qs
            << Target::spreadsheetApplication;
        QTest::newRow("file url that does not parse is a path")
            << u"file:///tmp/a b.xls"_qs << false << true
            << QUrl::fromLocalFile(QDir::current().absoluteFilePath(u"file:///tmp/a b.xls"_qs))
                   .path()
            << Target::spreadsheetApplication;
        QTest::newRow("relative path against working directory")
            << u"out/report.txt"_qs << true << true
            << QDir::current().absoluteFilePath(u"out/report.txt"_qs) << Target::defaultApplication;
        QTest::newRow("spreadsheet name but image")
            << u"/tmp/csv.png"_qs << true << true << u"/tmp/csv.png"_qs
            << Target::defaultApplication;
    }
    void filePlan()
    {
        QFETCH(QString, path);
        QFETCH(bool, impress);
        QFETCH(bool, calc);
        QFETCH(QString, localPath);
        QFETCH(FileOpenPlan::Target, target);
        const FileOpenPlan plan = planFileOpen(path, impress, calc);
        QCOMPARE(plan.url.scheme(), u"file"_qs);
        QCOMPARE(plan.url.path(), localPath);
        QCOMPARE(plan.target, target);
    }

    void filePlanLogLine()
    {
        const FileOpenPlan plan = planFileOpen(u" file:/tmp/My Deck.pptx "_qs, true, false);
        QCOMPARE(
            plan.logLine,
            u"Open File clicked: path='file:/tmp/My Deck.pptx', localPath='/tmp/My Deck.pptx', "
            "url='file:///tmp/My%20Deck.pptx', impressExists=true"_qs);
    }

    void openFileButton_data()
    {
        QTest::addColumn<std::optional<QString>>("imagePath");
        QTest::addColumn<bool>("shown");
        QTest::newRow("absent") << std::optional<QString>() << false;
        QTest::newRow("no slash") << std::optional<QString>(u"deck.pptx"_qs) << false;
        QTest::newRow("path") << std::optional<QString>(u"/tmp/deck.pptx"_qs) << true;
        QTest::newRow("pending cover with slash")
            << std::optional<QString>(u"generating|a/b"_qs) << false;
    }
    void openFileButton()
    {
        QFETCH(std::optional<QString>, imagePath);
        QFETCH(bool, shown);
        QCOMPARE(showsOpenFile(imagePath), shown);
    }

    void headerTitleAndLatestMessage()
    {
        QCOMPARE(headerTitle(u"Deck"_qs, true), u"Deck"_qs);
        QCOMPARE(headerTitle(QString(), false), QString());
        QCOMPARE(headerTitle(std::nullopt, true), u"Realtime Output"_qs);
        QCOMPARE(headerTitle(std::nullopt, false), u"Waiting for Response"_qs);

        const QList<ConversationMessage> messages{
            {.role = ConversationRole::assistant, .content = u"first"_qs},
            {.role = ConversationRole::assistant, .content = u"second"_qs},
            {.role = ConversationRole::user, .content = u"question"_qs},
        };
        QCOMPARE(latestAssistantMessage(messages)->content, u"second"_qs);
        QVERIFY(!latestAssistantMessage(messages.mid(2)));
    }

    void voiceStates_data()
    {
        QTest::addColumn<RealtimeVoiceState>("state");
        QTest::addColumn<bool>("wake");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<QString>("help");
        QTest::newRow("idle, listening")
            << RealtimeVoiceState::idle << true << u"Ready"_qs
            << u"Say \"Hey Korva\" or type a prompt."_qs << u"Start Computer Use Voice"_qs;
        QTest::newRow("idle, not listening")
            << RealtimeVoiceState::idle << false << u"Ready"_qs << u"Use voice or type a prompt."_qs
            << u"Start Computer Use Voice"_qs;
        QTest::newRow("connecting")
            << RealtimeVoiceState::connecting << true << u"Connecting"_qs
            << u"Starting GPT Realtime 2."_qs << u"Stop Computer Use Voice"_qs;
        QTest::newRow("recording")
            << RealtimeVoiceState::recording << false << u"Listening"_qs
            << u"Speak naturally. Korvane is listening."_qs << u"Stop Computer Use Voice"_qs;
        QTest::newRow("speaking") << RealtimeVoiceState::speaking << true << u"Responding"_qs
                                  << u"Response is playing and updating the artifact."_qs
                                  << u"Stop Computer Use Voice"_qs;
        QTest::newRow("failed") << RealtimeVoiceState::failed << true << u"Voice Failed"_qs
                                << u"Check configuration and try again."_qs
                                << u"Stop Computer Use Voice"_qs;
    }
    void voiceStates()
    {
        QFETCH(RealtimeVoiceState, state);
        QFETCH(bool, wake);
        QFETCH(QString, title);
        QFETCH(QString, subtitle);
        QFETCH(QString, help);
        QCOMPARE(statusTitle(state), title);
        QCOMPARE(statusSubtitle(state, wake), subtitle);
        QCOMPARE(micHelpText(state), help);
    }

    void tintsAreDistinctAndHueMatches()
    {
        const QList<RealtimeVoiceState> states{
            RealtimeVoiceState::idle, RealtimeVoiceState::connecting, RealtimeVoiceState::recording,
            RealtimeVoiceState::speaking, RealtimeVoiceState::failed};
        // Expected hue bands: blue, orange, green, cyan, red.
        const QList<std::pair<int, int>> hues{
            {200, 230}, {25, 45}, {120, 160}, {180, 200}, {0, 10}};
        for (qsizetype i = 0; i < states.size(); ++i) {
            const int hue = micTint(states[i]).hue();
            QVERIFY2(hue >= hues[i].first && hue <= hues[i].second, qPrintable(QString::number(i)));
        }
    }

    void micDiameter_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("diameter");
        QTest::newRow("narrow") << 300.0 << 220.0;
        QTest::newRow("lower edge") << 423.0 << 220.0;
        QTest::newRow("between") << 500.0 << 260.0;
        QTest::newRow("wide") << 1000.0 << 310.0;
    }
    void micDiameter()
    {
        QFETCH(double, width);
        QFETCH(double, diameter);
        QCOMPARE(korvane::micDiameter(width), diameter);
    }

    void inspectorToggle()
    {
        QCOMPARE(inspectorToggleIcon(true), u"arrow.down.right.and.arrow.up.left"_qs);
        QCOMPARE(inspectorToggleHelp(true), u"Collapse Artifact"_qs);
        QCOMPARE(inspectorToggleIcon(false), u"arrow.up.left.and.arrow.down.right"_qs);
        QCOMPARE(inspectorToggleHelp(false), u"Expand Artifact"_qs);
    }

    void imageSources()
    {
        QCOMPARE(imageSourceUrl(u"/tmp/a b.png"), QUrl::fromLocalFile(u"/tmp/a b.png"_qs));
        QCOMPARE(imageSourceUrl(u"file:///tmp/a.png"), QUrl(u"file:///tmp/a.png"_qs));
        QCOMPARE(imageSourceUrl(u"https://example.test/a.png").scheme(), u"https"_qs);
    }

    void saveImageReplacesDestination()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(u"GeneratedImage_1.png"_qs);
        const QString destination = dir.filePath(u"Saved.png"_qs);
        writeFile(source, "new");
        writeFile(destination, "old");
        QVERIFY(
            saveImage(QUrl::fromLocalFile(source).toString(), QUrl::fromLocalFile(destination)));
        QCOMPARE(readFile(destination), QByteArray("new"));
        QCOMPARE(readFile(source), QByteArray("new"));
        // A plain path works as well as a file address.
        QVERIFY(saveImage(source, QUrl::fromLocalFile(dir.filePath(u"Copy.png"_qs))));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);
    }

    void saveImageKeepsDataOnFailure()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(u"image.png"_qs);
        const QString destination = dir.filePath(u"Saved.png"_qs);
        writeFile(source, "image");
        writeFile(destination, "precious");
        QVERIFY(!saveImage(dir.filePath(u"missing.png"_qs), QUrl::fromLocalFile(destination)));
        QCOMPARE(readFile(destination), QByteArray("precious"));
        QVERIFY(!saveImage(u"https://example.test/a.png"_qs, QUrl::fromLocalFile(destination)));
        QCOMPARE(readFile(destination), QByteArray("precious"));
        // Saving an image onto itself must not delete it.
        QVERIFY(saveImage(source, QUrl::fromLocalFile(source)));
        QCOMPARE(readFile(source), QByteArray("image"));
    }
};

QTEST_GUILESS_MAIN(UiRulesTest)
#include "tst_uirules.moc"
