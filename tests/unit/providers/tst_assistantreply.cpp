// SPDX-License-Identifier: GPL-3.0-or-later
#include "providers/AssistantReply.h"

#include <QDir>
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
    void messagesAndArtifactsAreFresh();
    void systemPrompt();
};

void AssistantReplyTest::cleanJsonString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cleaned");
    const QString object = QStringLiteral("{\"message\": \"hi\"}");
    QTest::newRow("json fence on its own line") << u"```json\n"_qs + object + u"\n```"_qs << object;
    QTest::newRow("only a closing fence") << object + u"\n```"_qs << object;
    QTest::newRow("only an opening fence") << u"```json"_qs + object << object;
    QTest::newRow("unicode spaces") << u"\u00a0\u2003"_qs + object + u"\u3000"_qs << object;
    QTest::newRow("upper-case tag keeps its word") << u"```JSON\n{}\n```"_qs << u"JSON\n{}"_qs;
    QTest::newRow("tag glued to the text") << u"```jsonx"_qs << u"x"_qs;
    QTest::newRow("fence alone") << u"```json"_qs << QString();
    QTest::newRow("six backticks") << u"``````"_qs << QString();
    QTest::newRow("four backticks") << u"````"_qs << u"`"_qs;
    QTest::newRow("fence with a combining mark is a different character")
        << u"```\u0301{}"_qs << u"```\u0301{}"_qs;
    QTest::newRow("inner fences stay") << u"a ``` b"_qs << u"a ``` b"_qs;
    QTest::newRow("empty") << QString() << QString();
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
    same("broken json", u"{\"message\": "_qs);
    QTest::newRow("fenced object") << u"```json\n{\"message\": \"Hello\"}\n```"_qs << u"Hello"_qs;
    QTest::newRow("message number") << u"{\"message\": 42}"_qs << QString();
    QTest::newRow("no message") << u"{}"_qs << QString();
    QTest::newRow("markup kept as text")
        << u"{\"message\": \"<b>bold</b> & <img src=x>\"}"_qs << u"<b>bold</b> & <img src=x>"_qs;

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
    const auto ofKind = [](const char* kind) -> QString {
        return u"{\"message\": \"m\", \"artifact\": {\"kind\": \""_qs + QString::fromLatin1(kind) +
               u"\", \"title\": \"T\", \"body\": \"B\"}}"_qs;
    };
    for (const char* kind : {"markdown", "diagram", "presentation"})
        QTest::addRow("kind %s", kind)
            << ofKind(kind) << u"m; artifact "_qs + QString::fromLatin1(kind) + u" T ready B"_qs;
    for (const char* kind : {"essay", "record", "Markdown", ""})
        QTest::addRow("kind '%s' becomes a note", kind)
            << ofKind(kind) << u"m; artifact note T ready B"_qs;
    artifact(
        "markdown with image prompt",
        u"{\"kind\": \"markdown\", \"title\": \"T\", \"body\": \"B\", \"image_prompt\": \"pasta\"}"_qs,
        u"m; artifact markdown T ready B; image generating|pasta"_qs);
    artifact("numeric image prompt",
             u"{\"kind\": \"note\", \"title\": \"T\", \"body\": \"B\", \"image_prompt\": 3}"_qs,
             u"m; artifact note T ready B"_qs);
    artifact("escaped line breaks become real ones, real ones stay",
             u"{\"kind\": \"markdown\", \"title\": \"T\", \"body\": \"# A\\\\n\\\\n- b\\nc\"}"_qs,
             u"m; artifact markdown T ready # A\n\n- b\nc"_qs);
    artifact(
        "image prompt line breaks are not touched",
        u"{\"kind\": \"note\", \"title\": \"T\", \"body\": \"B\", \"image_prompt\": \"a\\\\nb\"}"_qs,
        u"m; artifact note T ready B; image generating|a\\nb"_qs);
    artifact("artifact without title", u"{\"kind\": \"note\", \"body\": \"B\"}"_qs, u"m"_qs);
    artifact("no body", u"{\"kind\": \"note\", \"title\": \"T\"}"_qs, u"m"_qs);
    artifact("no kind", u"{\"title\": \"T\", \"body\": \"B\"}"_qs, u"m"_qs);
    artifact("null artifact", u"null"_qs, u"m"_qs);
    artifact("search",
             u"{\"kind\": \"search\", \"title\": \"Ignored\", \"body\": \"best pizza\"}"_qs,
             u"m; search best pizza"_qs);
    artifact("search query gets line breaks first",
             u"{\"kind\": \"search\", \"title\": \"T\", \"body\": \"a\\\\nb\"}"_qs,
             u"m; search a\nb"_qs);
    QTest::newRow("search keeps the action")
        << u"{\"message\": \"m\", \"artifact\": {\"kind\": \"search\", \"title\": \"T\", "
           "\"body\": \"q\"}, \"action\": {\"type\": \"run_python_script\", "
           "\"script_code\": \"print(1)\"}}"_qs
        << u"m; search q; action run_python_script; script print(1)"_qs;

    const auto action = [](const char* name, const QString& json, const QString& expected) {
        QTest::newRow(name) << u"{\"message\": \"m\", \"action\": "_qs + json + u"}"_qs << expected;
    };
    action("action with script",
           u"{\"type\": \"run_python_script\", \"script_code\": \"print(2)\"}"_qs,
           u"m; action run_python_script; script print(2)"_qs);
    action("action with numeric script", u"{\"type\": \"other\", \"script_code\": 1}"_qs,
           u"m; action other"_qs);
    action("action without type", u"{\"script_code\": \"print(3)\"}"_qs, u"m"_qs);
    action("action that is a string", u"\"run_python_script\""_qs, u"m"_qs);
}

void AssistantReplyTest::mapping()
{
    QFETCH(QString, content);
    QFETCH(QString, expected);
    const AssistantReplyMapping mapping = mapAssistantReply(content);
    QCOMPARE(summary(mapping), expected);
    QCOMPARE(mapping.response.message.role, ConversationRole::assistant);
    QCOMPARE(mapping.response.message.mode, std::optional<InputMode>(InputMode::quiet));
}

void AssistantReplyTest::messagesAndArtifactsAreFresh()
{
    const QString reply =
        u"{\"message\": \"m\", \"artifact\": {\"kind\": \"note\", \"title\": \"T\", \"body\": \"B\"}}"_qs;
    const AssistantReplyMapping first = mapAssistantReply(reply);
    const AssistantReplyMapping second = mapAssistantReply(reply);
    QVERIFY(!first.response.message.id.isNull());
    QVERIFY(first.response.message.id != second.response.message.id);
    QVERIFY(first.response.artifacts.first().id != second.response.artifacts.first().id);
    QVERIFY(first.response.artifacts.first().createdAt.isValid());
}

void AssistantReplyTest::systemPrompt()
{
    const QString prompt = assistantSystemPrompt();
    QVERIFY(prompt.contains(u"(e.g. \""_qs + QDir::homePath() +
                            u"/Downloads/sales.xlsx\" or similar)"_qs));
    // The escape is sent as text, for the model to copy into its JSON.
    QVERIFY(prompt.contains(u"use double newlines (\\n\\n) between blocks"_qs));
}

QTEST_GUILESS_MAIN(AssistantReplyTest)
#include "tst_assistantreply.moc"
