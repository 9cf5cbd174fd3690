// SPDX-License-Identifier: GPL-3.0-or-later
// What the chat and image services answer, read without a network: the text of a chat reply
// and the assistant's JSON in it, an image reply and its picture.
#include "providers/AssistantReply.h"
#include "providers/GeneratedImage.h"
#include "providers/OpenAIEndpoints.h"

#include <QTest>

using namespace korvane;

namespace {

// A mapping in one line: the message, then what else it holds, each part named.
QString summary(const AssistantReplyMapping& mapping)
{
    const AssistantResponse& response = mapping.response;
    QStringList parts{response.message.content};
    for (const Artifact& artifact : response.artifacts) {
        parts << u"artifact "_qs + rawValue(artifact.kind) + u' ' + artifact.title + u' ' +
                     rawValue(artifact.status) + u' ' + artifact.body;
        if (artifact.imagePath)
            parts << u"image "_qs + *artifact.imagePath;
    }
    if (mapping.searchQuery)
        parts << u"search "_qs + *mapping.searchQuery;
    if (response.action) {
        parts << u"action "_qs + response.action->type;
        if (response.action->scriptCode)
            parts << u"script "_qs + *response.action->scriptCode;
    }
    return parts.join(u"; ");
}

} // namespace

class AssistantReplyTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanJsonString_data();
    void cleanJsonString();
    void mapping_data();
    void mapping();
    void chatContent_data();
    void chatContent();
    void imageReply_data();
    void imageReply();
    void base64_data();
    void base64();
    void imageSignatures_data();
    void imageSignatures();
};

void AssistantReplyTest::cleanJsonString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cleaned");
    const QString object = QStringLiteral("{\"message\": \"hi\"}");
    QTest::newRow("json fence on its own line") << u"```json\n"_qs + object + u"\n```"_qs << object;
    QTest::newRow("only a closing fence") << object + u"\n```"_qs << object;
    QTest::newRow("upper-case tag keeps its word") << u"```JSON\n{}\n```"_qs << u"JSON\n{}"_qs;
    QTest::newRow("four backticks") << u"````"_qs << u"`"_qs;
    QTest::newRow("fence with a combining mark is a different character")
        << u"```\u0301{}"_qs << u"```\u0301{}"_qs;
}

void AssistantReplyTest::cleanJsonString()
{
    QFETCH(QString, text);
    QFETCH(QString, cleaned);
    QCOMPARE(korvane::cleanJsonString(text), cleaned);
}

void AssistantReplyTest::mapping_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("expected");
    const auto same = [](const char* name, const QString& content) {
        QTest::newRow(name) << content << content;
    };
    same("prose", u"Sure! Here is a plain answer."_qs);
    same("fenced prose shown with its fences", u"```\nnot json\n```"_qs);
    same("top level array", u"[{\"message\": \"x\"}]"_qs);
    QTest::newRow("fenced object") << u"```json\n{\"message\": \"Hello\"}\n```"_qs << u"Hello"_qs;
    QTest::newRow("message number") << u"{\"message\": 42}"_qs << QString();

    const auto artifact = [](const char* name, const QString& json, const QString& expected) {
        QTest::newRow(name) << u"{\"message\": \"m\", \"artifact\": "_qs + json + u"}"_qs
                            << expected;
    };
    artifact("image without size",
             u"{\"kind\": \"image\", \"title\": \"Cat\", \"body\": \"a cat\"}"_qs,
             u"m; artifact image Cat running 1024x1024|a cat"_qs);
    artifact(
        "image with size",
        u"{\"kind\": \"image\", \"title\": \"Cat\", \"body\": \"a cat\", \"size\": \"1792x1024\"}"_qs,
        u"m; artifact image Cat running 1792x1024|a cat"_qs);
    const auto ofKind = [](const char* kind, const QString& shown) {
        QTest::addRow("kind '%s'", kind)
            << u"{\"message\": \"m\", \"artifact\": {\"kind\": \""_qs + QString::fromLatin1(kind) +
                   u"\", \"title\": \"T\", \"body\": \"B\"}}"_qs
            << u"m; artifact "_qs + shown + u" T ready B"_qs;
    };
    for (const char* kind : {"markdown", "diagram", "presentation"})
        ofKind(kind, QString::fromLatin1(kind));
    for (const char* kind : {"essay", "Markdown"})
        ofKind(kind, u"note"_qs);
    artifact(
        "markdown with image prompt",
        u"{\"kind\": \"markdown\", \"title\": \"T\", \"body\": \"B\", \"image_prompt\": \"pasta\"}"_qs,
        u"m; artifact markdown T ready B; image generating|pasta"_qs);
    artifact("escaped line breaks become real ones, real ones stay",
             u"{\"kind\": \"markdown\", \"title\": \"T\", \"body\": \"# A\\\\n\\\\n- b\\nc\"}"_qs,
             u"m; artifact markdown T ready # A\n\n- b\nc"_qs);
    artifact("no body", u"{\"kind\": \"note\", \"title\": \"T\"}"_qs, u"m"_qs);
    artifact("null artifact", u"null"_qs, u"m"_qs);
    QTest::newRow("search keeps the action")
        << u"{\"message\": \"m\", \"artifact\": {\"kind\": \"search\", \"title\": \"T\", "
           "\"body\": \"best pizza\"}, \"action\": {\"type\": \"run_python_script\", "
           "\"script_code\": \"print(1)\"}}"_qs
        << u"m; search best pizza; action run_python_script; script print(1)"_qs;
    QTest::newRow("action without type")
        << u"{\"message\": \"m\", \"action\": {\"script_code\": \"print(3)\"}}"_qs << u"m"_qs;
}

void AssistantReplyTest::mapping()
{
    QFETCH(QString, content);
    QFETCH(QString, expected);
    const AssistantReplyMapping mapping = mapAssistantReply(content);
    QCOMPARE(summary(mapping), expected);
    QCOMPARE(mapping.response.message.mode, std::optional<InputMode>(InputMode::quiet));
}

void AssistantReplyTest::chatContent_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<std::optional<QString>>("content");
    const std::optional<QString> none;
    QTest::newRow("first choice") << QByteArrayLiteral("{\"choices\":[{\"message\":{\"content\":\" "
                                                       "a \"}},{\"message\":{\"content\":\"b\"}}]}")
                                  << std::optional(u" a "_qs);
    QTest::newRow("empty content is text")
        << QByteArrayLiteral("{\"choices\":[{\"message\":{\"content\":\"\"}}]}")
        << std::optional(QString());
    QTest::newRow("no choices") << QByteArrayLiteral("{\"id\":\"x\"}") << none;
    QTest::newRow("choices not an array") << QByteArrayLiteral("{\"choices\":{}}") << none;
    QTest::newRow("a choice that is not an object")
        << QByteArrayLiteral("{\"choices\":[{\"message\":{\"content\":\"a\"}}, 3]}") << none;
    QTest::newRow("message is text")
        << QByteArrayLiteral("{\"choices\":[{\"message\":\"a\"}]}") << none;
    QTest::newRow("numeric content")
        << QByteArrayLiteral("{\"choices\":[{\"message\":{\"content\":1}}]}") << none;
}

void AssistantReplyTest::chatContent()
{
    QFETCH(QByteArray, body);
    QFETCH(std::optional<QString>, content);
    QCOMPARE(OpenAIEndpoints::chatCompletionContent(body), content);
}

void AssistantReplyTest::imageReply_data()
{
    // What is read, as "b64_json | url" with "-" for an absent field, or "unusable".
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("read");
    QTest::newRow("both") << QByteArrayLiteral(
                                 "{\"data\":[{\"b64_json\":\"QQ==\",\"url\":\"http://x/a.png\"}]}")
                          << u"QQ== | http://x/a.png"_qs;
    QTest::newRow("mistyped fields")
        << QByteArrayLiteral("{\"data\":[{\"b64_json\":1,\"url\":null}]}") << u"- | -"_qs;
    QTest::newRow("empty data") << QByteArrayLiteral("{\"data\":[]}") << u"unusable"_qs;
    QTest::newRow("second element not an object")
        << QByteArrayLiteral("{\"data\":[{\"url\":\"u\"},\"x\"]}") << u"unusable"_qs;
    QTest::newRow("data is an object")
        << QByteArrayLiteral("{\"data\":{\"url\":\"u\"}}") << u"unusable"_qs;
}

void AssistantReplyTest::imageReply()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, read);
    const std::optional<GeneratedImage::ReplyData> reply = GeneratedImage::readReply(body);
    QCOMPARE(reply ? reply->b64Json.value_or(u"-"_qs) + u" | " + reply->url.value_or(u"-"_qs)
                   : u"unusable"_qs,
             read);
}

void AssistantReplyTest::base64_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<QByteArray>>("bytes");
    const std::optional<QByteArray> none;
    QTest::newRow("line breaks, spaces and other characters ignored")
        << u"aGVs\r\nbG*8=\u00e9\n "_qs << std::optional(QByteArrayLiteral("hello"));
    QTest::newRow("missing padding") << u"aGVsbG8"_qs << none;
    QTest::newRow("padding in the middle") << u"aG==bG8="_qs << none;
    QTest::newRow("nothing of the alphabet") << u"!!!!"_qs << none;
}

void AssistantReplyTest::base64()
{
    QFETCH(QString, text);
    QFETCH(std::optional<QByteArray>, bytes);
    QCOMPARE(GeneratedImage::decodeBase64(text), bytes);
}

void AssistantReplyTest::imageSignatures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<bool>("image");
    QTest::newRow("webp") << QByteArrayLiteral("RIFF\0\0\0\0WEBPVP8 ") << QByteArray() << true;
    QTest::newRow("riff that is not webp")
        << QByteArrayLiteral("RIFF\0\0\0\0WAVEfmt ") << QByteArray() << false;
    QTest::newRow("labelled image")
        << QByteArrayLiteral("AVIF...") << QByteArrayLiteral(" Image/avif") << true;
    QTest::newRow("empty image") << QByteArray() << QByteArrayLiteral("image/png") << false;
}

void AssistantReplyTest::imageSignatures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, contentType);
    QFETCH(bool, image);
    QCOMPARE(GeneratedImage::looksLikeImage(bytes, contentType), image);
}

QTEST_GUILESS_MAIN(AssistantReplyTest)
#include "tst_assistantreply.moc"
