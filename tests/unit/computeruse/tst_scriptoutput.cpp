// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/MacComputerUseService.h"
#include "computeruse/ScriptArtifactMarker.h"
#include "fakes/FakePorts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

class TestScriptOutput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsTheArtifactMarker_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<ArtifactKind>("kind");
        QTest::addColumn<QString>("title"); // empty: no artifact
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("imagePath");
        QTest::newRow("image") << u"saved\n[ARTIFACT:image|/tmp/a.png|Chart]\n"_qs
                               << ArtifactKind::image << u"Chart"_qs << u"/tmp/a.png"_qs
                               << u"/tmp/a.png"_qs;
        QTest::newRow("presentation, spaces, no content")
            << u"[ARTIFACT: Presentation | /tmp/d.pptx |  Deck  ]"_qs << ArtifactKind::presentation
            << u"Deck"_qs << u"Double-click to open file: /tmp/d.pptx"_qs << u"/tmp/d.pptx"_qs;
        QTest::newRow("presentation content keeps bars and brackets")
            << u"[ARTIFACT:presentation|/p|T|# One\\n[x]|two]"_qs << ArtifactKind::presentation
            << u"T"_qs << u"# One\n[x]|two"_qs << u"/p"_qs;
        QTest::newRow("two markers: first start to last bracket")
            << u"[ARTIFACT:image|/a|A]\n[ARTIFACT:image|/b|B]"_qs << ArtifactKind::image
            << u"A]\n[ARTIFACT:image"_qs << u"/a"_qs << u"/a"_qs;
        QTest::newRow("two fields") << u"[ARTIFACT:image|/a]"_qs << ArtifactKind::note << QString()
                                    << QString() << QString();
    }
    void readsTheArtifactMarker()
    {
        QFETCH(QString, output);
        QFETCH(ArtifactKind, kind);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(QString, imagePath);
        const std::optional<Artifact> artifact = parseArtifactFromStdout(output);
        QCOMPARE(artifact.has_value(), !title.isEmpty());
        if (!artifact)
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
        QTest::newRow("larger than 16 MiB") << u"big.md"_qs << u": it is larger than 16 MiB."_qs;
        QTest::newRow("not UTF-8") << u"latin1.md"_qs << u": it is not UTF-8 text."_qs;
        QTest::newRow("missing") << u"none.md"_qs << u": the file does not exist."_qs;
        QTest::newRow("a link out of the allowed folders")
            << u"link.md"_qs
            << u": scripts may share only files in the workspace or the Downloads folder."_qs;
    }
    void artifactFilesAreReadWithinBounds()
    {
        QFETCH(QString, name);
        QFETCH(QString, body);
        QTemporaryDir root;
        const QString allowed = root.filePath(u"workspace"_qs);
        QVERIFY(QDir().mkpath(allowed));
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
        QFile secret(root.filePath(u"secret.md"_qs));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(secret.fileName(), allowed + u"/link.md"));

        const QString path = allowed + u'/' + name;
        const QString read = readArtifactFile(path, {allowed});
        if (body.startsWith(u':'))
            QCOMPARE(read, u"Could not show "_qs + path + body);
        else
            QCOMPARE(read, body);
    }

    // The placeholder of an image being made: its title from the prompt, its size from the ratio.
    void generateImageAnswersWithAPlaceholder_data()
    {
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<std::optional<QString>>("ratio");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("size");
        QTest::newRow("photo of, wide")
            << u"a photo of a boat"_qs << std::optional<QString>(u"16:9"_qs) << u"A boat"_qs
            << u"1792x1024"_qs;
        QTest::newRow("first matching prefix only, untrimmed ratio")
            << u"An image of image of x"_qs << std::optional<QString>(u" 16:9"_qs)
            << u"Image of x"_qs << u"1024x1024"_qs;
    }
    void generateImageAnswersWithAPlaceholder()
    {
        QFETCH(QString, prompt);
        QFETCH(std::optional<QString>, ratio);
        QFETCH(QString, title);
        QFETCH(QString, size);
        MacComputerUseService executor(ComputerUseBackends{.ports = test::fakePorts()});
        const ComputerUseResult result = QCoro::waitFor(executor.generateImage(prompt, ratio));
        QCOMPARE(result.summary,
                 u"Generating the image: \""_qs + prompt + u"\" in the background."_qs);
        QVERIFY(result.artifact);
        QCOMPARE(result.artifact->kind, ArtifactKind::image);
        QCOMPARE(result.artifact->status, ArtifactStatus::running);
        QCOMPARE(result.artifact->title, title);
        QCOMPARE(result.artifact->body, size + u'|' + prompt);
        QVERIFY(!result.artifact->imagePath);
    }
};

QTEST_GUILESS_MAIN(TestScriptOutput)
#include "tst_scriptoutput.moc"
