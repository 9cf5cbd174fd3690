#include "providers/AssistantReply.h"

#include <QDir>
#include <QTest>

using namespace korvane;

namespace {

// What one reply should map to; an invalid QVariant means "absent".
struct Expected {
    QString message;
    QString kind;
    QString title;
    QString status;
    QString body;
    QVariant imagePath;
    QVariant searchQuery;
    QVariant actionType;
    QVariant scriptCode;
};

} // namespace

Q_DECLARE_METATYPE(Expected)

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
    QTest::addColumn<Expected>("expected");

    const QVariant none;
    auto messageOnly = [&](const QString& message) {
        return Expected{message, {}, {}, {}, {}, none, none, none, none};
    };
    auto artifact = [&](const QString& kind, const QString& title, const QString& status,
                        const QString& body, const QVariant& imagePath = {}) {
        return Expected{u"m"_qs, kind, title, status, body, imagePath, none, none, none};
    };

    const QString prose = u"Sure! Here is a plain answer."_qs;
    QTest::newRow("prose") << prose << messageOnly(prose);
    const QString fencedProse = u"```\nnot json\n```"_qs;
    QTest::newRow("fenced prose shown with its fences") << fencedProse << messageOnly(fencedProse);
    const QString array = u"[{\"message\": \"x\"}]"_qs;
    QTest::newRow("top level array") << array << messageOnly(array);
    QTest::newRow("broken json") << u"{\"message\": "_qs << messageOnly(u"{\"message\": "_qs);
    QTest::newRow("fenced object")
        << u"```json\n{\"message\": \"Hello\"}\n```"_qs << messageOnly(u"Hello"_qs);
    QTest::newRow("message number") << u"{\"message\": 42}"_qs << messageOnly(QString());
    QTest::newRow("no message") << u"{}"_qs << messageOnly(QString());
    QTest::newRow("markup kept as text") << u"{\"message\": \"<b>bold</b> & <img src=x>\"}"_qs
                                         << messageOnly(u"<b>bold</b> & <img src=x>"_qs);

    auto reply = [](const QString& artifactJson) -> QString {
        return u"{\"message\": \"m\", \"artifact\": "_qs + artifactJson + u"}"_qs;
    };
    QTest::newRow("image without size")
        << reply(u"{\"kind\": \"image\", \"title\": \"Cat\", \"body\": \"a cat\"}"_qs)
        << artifact(u"image"_qs, u"Cat"_qs, u"running"_qs, u"1024x1024|a cat"_qs);
    QTest::newRow("image with size")
        << reply(u"{\"kind\": \"image\", \"title\": \"Cat\", \"body\": \"a cat\", "
                 "\"size\": \"1792x1024\"}"_qs)
        << artifact(u"image"_qs, u"Cat"_qs, u"running"_qs, u"1792x1024|a cat"_qs);
    for (const char* kind : {"markdown", "diagram", "presentation"}) {
        const QString k = QString::fromLatin1(kind);
        QTest::addRow("kind %s", kind)
            << reply(u"{\"kind\": \""_qs + k + u"\", \"title\": \"T\", \"body\": \"B\"}"_qs)
            << artifact(k, u"T"_qs, u"ready"_qs, u"B"_qs);
    }
    for (const char* kind : {"essay", "record", "Markdown", ""}) {
        QTest::addRow("kind '%s' becomes a note", kind)
            << reply(u"{\"kind\": \""_qs + QString::fromLatin1(kind) +
                     u"\", \"title\": \"T\", \"body\": \"B\"}"_qs)
            << artifact(u"note"_qs, u"T"_qs, u"ready"_qs, u"B"_qs);
    }
    QTest::newRow("markdown with image prompt")
        << reply(u"{\"kind\": \"markdown\", \"title\": \"T\", \"body\": \"B\", "
                 "\"image_prompt\": \"pasta on a plate\"}"_qs)
        << artifact(u"markdown"_qs, u"T"_qs, u"ready"_qs, u"B"_qs,
                    u"generating|pasta on a plate"_qs);
    QTest::newRow("numeric image prompt")
        << reply(u"{\"kind\": \"note\", \"title\": \"T\", \"body\": \"B\", \"image_prompt\": 3}"_qs)
        << artifact(u"note"_qs, u"T"_qs, u"ready"_qs, u"B"_qs);
    QTest::newRow("escaped line breaks become real ones, real ones stay")
        << reply(
               u"{\"kind\": \"markdown\", \"title\": \"T\", \"body\": \"# A\\\\n\\\\n- b\\nc\"}"_qs)
        << artifact(u"markdown"_qs, u"T"_qs, u"ready"_qs, u"# A\n\n- b\nc"_qs);
    QTest::newRow("image prompt line breaks are not touched")
        << reply(u"{\"kind\": \"note\", \"title\": \"T\", \"body\": \"B\", "
                 "\"image_prompt\": \"a\\\\nb\"}"_qs)
        << artifact(u"note"_qs, u"T"_qs, u"ready"_qs, u"B"_qs, u"generating|a\\nb"_qs);

    QTest::newRow("artifact without title")
        << reply(u"{\"kind\": \"note\", \"body\": \"B\"}"_qs) << messageOnly(u"m"_qs);
    QTest::newRow("no body") << reply(u"{\"kind\": \"note\", \"title\": \"T\"}"_qs)
                             << messageOnly(u"m"_qs);
    QTest::newRow("no kind") << reply(u"{\"title\": \"T\", \"body\": \"B\"}"_qs)
                             << messageOnly(u"m"_qs);
    QTest::newRow("null artifact") << reply(u"null"_qs) << messageOnly(u"m"_qs);

    QTest::newRow("search")
        << reply(u"{\"kind\": \"search\", \"title\": \"Ignored\", \"body\": \"best pizza\"}"_qs)
        << Expected{u"m"_qs, {}, {}, {}, {}, none, u"best pizza"_qs, none, none};
    QTest::newRow("search query gets line breaks first")
        << reply(u"{\"kind\": \"search\", \"title\": \"T\", \"body\": \"a\\\\nb\"}"_qs)
        << Expected{u"m"_qs, {}, {}, {}, {}, none, u"a\nb"_qs, none, none};
    QTest::newRow("search keeps the action")
        << u"{\"message\": \"m\", \"artifact\": {\"kind\": \"search\", \"title\": \"T\", "
           "\"body\": \"q\"}, \"action\": {\"type\": \"run_python_script\", "
           "\"script_code\": \"print(1)\"}}"_qs
        << Expected{u"m"_qs,       {}, {}, {}, {}, none, u"q"_qs, u"run_python_script"_qs,
                    u"print(1)"_qs};

    auto withAction = [](const QString& actionJson) -> QString {
        return u"{\"message\": \"m\", \"action\": "_qs + actionJson + u"}"_qs;
    };
    QTest::newRow("action with script")
        << withAction(u"{\"type\": \"run_python_script\", \"script_code\": \"print(2)\"}"_qs)
        << Expected{u"m"_qs, {}, {}, {}, {}, none, none, u"run_python_script"_qs, u"print(2)"_qs};
    QTest::newRow("action with numeric script")
        << withAction(u"{\"type\": \"other\", \"script_code\": 1}"_qs)
        << Expected{u"m"_qs, {}, {}, {}, {}, none, none, u"other"_qs, none};
    QTest::newRow("action without type")
        << withAction(u"{\"script_code\": \"print(3)\"}"_qs) << messageOnly(u"m"_qs);
    QTest::newRow("action that is a string")
        << withAction(u"\"run_python_script\""_qs) << messageOnly(u"m"_qs);
}

void AssistantReplyTest::mapping()
{
    QFETCH(QString, content);
    QFETCH(Expected, expected);

    const AssistantReplyMapping mapping = mapAssistantReply(content);
    const AssistantResponse& response = mapping.response;
    QCOMPARE(response.message.content, expected.message);
    QCOMPARE(response.message.role, ConversationRole::assistant);
    QCOMPARE(response.message.mode, std::optional<InputMode>(InputMode::quiet));

    if (expected.kind.isEmpty()) {
        QVERIFY(response.artifacts.isEmpty());
    } else {
        QCOMPARE(response.artifacts.size(), 1);
        const Artifact& artifact = response.artifacts.first();
        QCOMPARE(rawValue(artifact.kind), expected.kind);
        QCOMPARE(artifact.title, expected.title);
        QCOMPARE(rawValue(artifact.status), expected.status);
        QCOMPARE(artifact.body, expected.body);
        QCOMPARE(artifact.imagePath.has_value(), expected.imagePath.isValid());
        if (expected.imagePath.isValid())
            QCOMPARE(*artifact.imagePath, expected.imagePath.toString());
    }

    QCOMPARE(mapping.searchQuery.has_value(), expected.searchQuery.isValid());
    if (expected.searchQuery.isValid())
        QCOMPARE(*mapping.searchQuery, expected.searchQuery.toString());

    QCOMPARE(response.action.has_value(), expected.actionType.isValid());
    if (response.action) {
        QCOMPARE(response.action->type, expected.actionType.toString());
        QCOMPARE(response.action->scriptCode.has_value(), expected.scriptCode.isValid());
        if (expected.scriptCode.isValid())
            QCOMPARE(*response.action->scriptCode, expected.scriptCode.toString());
    }
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
