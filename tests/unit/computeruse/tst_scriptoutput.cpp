// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ImageRequest.h"
#include "computeruse/MacComputerUseService.h"
#include "computeruse/ScriptArtifactMarker.h"
#include "fakes/FakePorts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace korvane;

class TestScriptOutput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsTheArtifactMarker_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("found");
        QTest::addColumn<ArtifactKind>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("imagePath");

        QTest::newRow("image") << QStringLiteral("saved\n[ARTIFACT:image|/tmp/a.png|Chart]\n")
                               << true << ArtifactKind::image << QStringLiteral("Chart")
                               << QStringLiteral("/tmp/a.png") << QStringLiteral("/tmp/a.png");
        QTest::newRow("presentation, spaces, no content")
            << QStringLiteral("[ARTIFACT: Presentation | /tmp/d.pptx |  Deck  ]") << true
            << ArtifactKind::presentation << QStringLiteral("Deck")
            << QStringLiteral("Double-click to open file: /tmp/d.pptx")
            << QStringLiteral("/tmp/d.pptx");
        QTest::newRow("presentation content keeps bars and brackets")
            << QStringLiteral("[ARTIFACT:presentation|/p|T|# One\\n[x]|two]") << true
            << ArtifactKind::presentation << QStringLiteral("T") << QStringLiteral("# One\n[x]|two")
            << QStringLiteral("/p");
        QTest::newRow("two markers: first start to last bracket")
            << QStringLiteral("[ARTIFACT:image|/a|A]\n[ARTIFACT:image|/b|B]") << true
            << ArtifactKind::image << QStringLiteral("A]\n[ARTIFACT:image") << QStringLiteral("/a")
            << QStringLiteral("/a");
        QTest::newRow("markdown file missing")
            << QStringLiteral("[ARTIFACT:markdown|/no/such.md|Notes]") << true
            << ArtifactKind::markdown << QStringLiteral("Notes") << QStringLiteral("/no/such.md")
            << QStringLiteral("/no/such.md");
        QTest::newRow("two fields") << QStringLiteral("[ARTIFACT:image|/a]") << false
                                    << ArtifactKind::note << QString() << QString() << QString();
        QTest::newRow("no closing bracket")
            << QStringLiteral("[ARTIFACT:image|/a|A") << false << ArtifactKind::note << QString()
            << QString() << QString();
    }
    void readsTheArtifactMarker()
    {
        QFETCH(QString, output);
        QFETCH(bool, found);
        QFETCH(ArtifactKind, kind);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(QString, imagePath);
        const std::optional<Artifact> artifact = parseArtifactFromStdout(output);
        QCOMPARE(artifact.has_value(), found);
        if (!found)
            return;
        QCOMPARE(artifact->kind, kind);
        QCOMPARE(artifact->status, ArtifactStatus::ready);
        QCOMPARE(artifact->title, title);
        QCOMPARE(artifact->body, body);
        QCOMPARE(artifact->imagePath, std::optional<QString>(imagePath));
    }

    // The file a markdown marker names, as the runner reads it after the script ended.
    void artifactFilesAreReadWithinBounds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("body");
        QTest::newRow("UTF-8 text with backslash-n")
            << u"notes.md"_qs << QStringLiteral("# T\u00edtulo\n\nbody");
        QTest::newRow("a pipe never blocks") << u"pipe.md"_qs << u": it is not a regular file."_qs;
        QTest::newRow("larger than 16 MiB") << u"big.md"_qs << u": it is larger than 16 MiB."_qs;
        QTest::newRow("not UTF-8") << u"latin1.md"_qs << u": it is not UTF-8 text."_qs;
        QTest::newRow("missing") << u"none.md"_qs << u": the file does not exist."_qs;
        QTest::newRow("a link out of the allowed folders")
            << u"link.md"_qs
            << u": scripts may share only files in the workspace or the Downloads folder."_qs;
        QTest::newRow("an endless device")
            << u"/dev/zero"_qs
            << u": scripts may share only files in the workspace or the Downloads folder."_qs;
    }
    void artifactFilesAreReadWithinBounds()
    {
        QFETCH(QString, name);
        QFETCH(QString, body);
        QTemporaryDir root;
        const QString allowed = root.filePath(u"workspace"_qs);
        QVERIFY(QDir().mkpath(allowed + u"/folder.md"));
        const auto write = [&](const QString& file, const QByteArray& bytes) {
            QFile out(allowed + u'/' + file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(bytes);
        };
        write(u"notes.md"_qs, "# T\xc3\xadtulo\\n\\nbody");
        write(u"latin1.md"_qs, "caf\xe9");
        QFile big(allowed + u"/big.md");
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(maximumArtifactFileBytes + 1));
        big.close();
        QCOMPARE(::mkfifo(QFile::encodeName(allowed + u"/pipe.md").constData(), 0600), 0);
        QFile secret(root.filePath(u"secret.md"_qs));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(secret.fileName(), allowed + u"/link.md"));

        const QString path = name.startsWith(u'/') ? name : allowed + u'/' + name;
        const QString read = readArtifactFile(path, {allowed});
        if (body.startsWith(u':'))
            QCOMPARE(read, u"Could not show "_qs + path + body);
        else
            QCOMPARE(read, body);
    }

    void imageSizes_data()
    {
        QTest::addColumn<std::optional<QString>>("ratio");
        QTest::addColumn<QString>("size");
        QTest::newRow("absent") << std::optional<QString>{} << QStringLiteral("1024x1024");
        QTest::newRow("3:2") << std::optional<QString>{QStringLiteral("3:2")}
                             << QStringLiteral("1536x1024");
        QTest::newRow("untrimmed")
            << std::optional<QString>{QStringLiteral(" 16:9")} << QStringLiteral("1024x1024");
    }
    void imageSizes()
    {
        QFETCH(std::optional<QString>, ratio);
        QFETCH(QString, size);
        QCOMPARE(images::imageSize(ratio), size);
    }

    void imageTitles_data()
    {
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");
        QTest::newRow("long prompt")
            << QStringLiteral("Generate a photorealistic image of a red fox in snow at dawn")
            << QStringLiteral("A red fox in snow...");
        QTest::newRow("photo of") << QStringLiteral("photo of a cat") << QStringLiteral("A cat");
        QTest::newRow("first matching prefix only")
            << QStringLiteral("An image of image of x") << QStringLiteral("Image of x");
        QTest::newRow("five words stay whole") << QStringLiteral("one two three four five")
                                               << QStringLiteral("One two three four five");
        QTest::newRow("six words shortened") << QStringLiteral("one two\nthree  four five six")
                                             << QStringLiteral("One two three four five...");
        QTest::newRow("empty") << QStringLiteral("   ") << QString();
    }
    void imageTitles()
    {
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        QCOMPARE(images::cleanImageTitle(prompt), title);
    }

    void generateImageAnswersWithAPlaceholder()
    {
        MacComputerUseService executor(ComputerUseBackends{.ports = test::fakePorts()});
        const ComputerUseResult result = QCoro::waitFor(
            executor.generateImage(QStringLiteral("a photo of a boat"), QStringLiteral("16:9")));
        QCOMPARE(result.summary,
                 QStringLiteral("Generating the image: \"a photo of a boat\" in the background."));
        QVERIFY(result.artifact);
        QCOMPARE(result.artifact->kind, ArtifactKind::image);
        QCOMPARE(result.artifact->status, ArtifactStatus::running);
        QCOMPARE(result.artifact->title, QStringLiteral("A boat"));
        QCOMPARE(result.artifact->body, QStringLiteral("1792x1024|a photo of a boat"));
        QVERIFY(!result.artifact->imagePath);
    }
};

QTEST_GUILESS_MAIN(TestScriptOutput)
#include "tst_scriptoutput.moc"
