// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProviderTestEnvironment.h"
#include "providers/AssistantReply.h"
#include "providers/OpenAIAssistantProvider.h"
#include "search/SearchResult.h"
#include "search/WebSearchService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace korvane;
using korvane::test::LoopbackHttpServer;
using korvane::test::Response;

namespace {

const QString chatPath = QStringLiteral("/v1/chat/completions");

// A chat-completions reply whose first choice says `content`.
QByteArray chatReply(const QString& content)
{
    const QJsonObject message{{u"role"_qs, u"assistant"_qs}, {u"content"_qs, content}};
    const QJsonObject reply{
        {u"id"_qs, u"chatcmpl-1"_qs},
        {u"choices"_qs, QJsonArray{QJsonObject{{u"index"_qs, 0}, {u"message"_qs, message}}}}};
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

AssistantResponse ask(OpenAIAssistantProvider& provider, const QString& prompt)
{
    return QCoro::waitFor(provider.respond(AssistantRequest{.prompt = prompt}));
}

} // namespace

Q_DECLARE_METATYPE(korvane::test::Response)

class OpenAIAssistantProviderTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void withoutKeyNothingIsSent();
    void recordedRequest();
    void keyAndHostAreReadAtEveryCall();
    void replies_data();
    void replies();
    void failures_data();
    void failures();
    void refusedConnectionNamesNoKey();
    void searchArtifactCarriesTheResults();

private:
    LoopbackHttpServer m_server;
};

void OpenAIAssistantProviderTest::initTestCase()
{
    QVERIFY(m_server.isListening());
}

void OpenAIAssistantProviderTest::init()
{
    m_server.clearRoutes();
    m_server.clearRequests();
    useLoopbackServices(m_server);
}

void OpenAIAssistantProviderTest::cleanupTestCase()
{
    clearLoopbackServices();
}

void OpenAIAssistantProviderTest::withoutKeyNothingIsSent()
{
    qunsetenv("OPENAI_API_KEY");
    m_server.setRoute("POST", chatPath, Response::json(chatReply(u"{\"message\":\"hi\"}"_qs)));
    OpenAIAssistantProvider provider(u"gpt-4o"_qs);
    const AssistantResponse response = ask(provider, u"hello"_qs);
    QCOMPARE(
        response.message.content,
        u"OpenAI is not configured. Add `OPENAI_API_KEY` to `.env.local` for local development."_qs);
    QCOMPARE(response.message.role, ConversationRole::assistant);
    QVERIFY(response.artifacts.isEmpty());
    QVERIFY(!response.action);
    QCOMPARE(m_server.requestCount(), 0);
}

void OpenAIAssistantProviderTest::recordedRequest()
{
    m_server.setRoute("POST", chatPath, Response::json(chatReply(u"{\"message\":\"hi\"}"_qs)));
    OpenAIAssistantProvider provider(u"test-model"_qs);
    const AssistantRequest request{
        .prompt = u"What is \"2+2\"?\n"_qs,
        .mode = InputMode::voice,
        .artifacts = {Artifact{.title = u"earlier"_qs, .body = u"not sent"_qs}}};
    const AssistantResponse response = QCoro::waitFor(provider.respond(request));
    QCOMPARE(response.message.content, u"hi"_qs);

    QCOMPARE(m_server.requestCount(), 1);
    const test::RecordedRequest sent = *m_server.lastRequest();
    QCOMPARE(sent.method, QByteArrayLiteral("POST"));
    QCOMPARE(sent.path, chatPath);
    QCOMPARE(sent.header("Authorization"), QByteArrayLiteral("Bearer ") + dummyApiKey);
    QCOMPARE(sent.headerValues("Authorization").size(), 1);
    QCOMPARE(sent.header("Content-Type"), QByteArrayLiteral("application/json"));

    const QJsonObject body = QJsonDocument::fromJson(sent.body).object();
    QStringList keys = body.keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{u"messages"_qs, u"model"_qs, u"response_format"_qs}));
    QCOMPARE(body.value(u"model").toString(), u"test-model"_qs);
    QCOMPARE(body.value(u"response_format").toObject(),
             (QJsonObject{{u"type"_qs, u"json_object"_qs}}));
    const QJsonArray messages = body.value(u"messages").toArray();
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages.at(0).toObject(),
             (QJsonObject{{u"role"_qs, u"system"_qs}, {u"content"_qs, assistantSystemPrompt()}}));
    QCOMPARE(messages.at(1).toObject(),
             (QJsonObject{{u"role"_qs, u"user"_qs}, {u"content"_qs, request.prompt}}));
}

void OpenAIAssistantProviderTest::keyAndHostAreReadAtEveryCall()
{
    LoopbackHttpServer other;
    QVERIFY(other.isListening());
    const Response reply = Response::json(chatReply(u"{\"message\":\"hi\"}"_qs));
    m_server.setRoute("POST", chatPath, reply);
    other.setRoute("POST", chatPath, reply);
    OpenAIAssistantProvider provider(u"gpt-4o"_qs);

    qputenv("OPENAI_API_KEY", "first-dummy");
    ask(provider, u"one"_qs);
    qputenv("OPENAI_API_KEY", "second-dummy");
    qputenv("OPENAI_BASE_URL", other.baseUrl().toEncoded());
    ask(provider, u"two"_qs);

    QCOMPARE(m_server.requestCount(), 1);
    QCOMPARE(m_server.lastRequest()->header("Authorization"),
             QByteArrayLiteral("Bearer first-dummy"));
    QCOMPARE(other.requestCount(), 1);
    QCOMPARE(other.lastRequest()->header("Authorization"),
             QByteArrayLiteral("Bearer second-dummy"));
}

void OpenAIAssistantProviderTest::replies_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("artifacts");

    QTest::newRow("fenced object")
        << u"```json\n{\"message\": \"Here you go\", \"artifact\": {\"kind\": \"markdown\", "
           "\"title\": \"Recipe\", \"body\": \"# Pasta\"}}\n```"_qs
        << u"Here you go"_qs << 1;
    QTest::newRow("prose is trimmed but kept")
        << u"  \n Just a sentence.\n "_qs << u"Just a sentence."_qs << 0;
}

void OpenAIAssistantProviderTest::replies()
{
    QFETCH(QString, content);
    QFETCH(QString, message);
    QFETCH(int, artifacts);
    m_server.setRoute("POST", chatPath, Response::json(chatReply(content)));
    OpenAIAssistantProvider provider(u"gpt-4o"_qs);
    const AssistantResponse response = ask(provider, u"prompt"_qs);
    QCOMPARE(response.message.content, message);
    QCOMPARE(response.message.mode, std::optional<InputMode>(InputMode::quiet));
    QCOMPARE(response.artifacts.size(), artifacts);
}

void OpenAIAssistantProviderTest::failures_data()
{
    QTest::addColumn<Response>("answer");
    QTest::addColumn<QString>("message");

    const QString failed = u"OpenAI request failed: "_qs;
    const QString empty = failed + u"The OpenAI response did not include text output."_qs;
    QTest::newRow("500 body never shown")
        << Response::text(QByteArrayLiteral("internal detail"), 500) << failed + u"HTTP 500"_qs;
    QTest::newRow("300 is outside the range")
        << Response::json(chatReply(u"{\"message\":\"x\"}"_qs), 300) << failed + u"HTTP 300"_qs;
    QTest::newRow("299 is inside the range")
        << Response::json(chatReply(u"{\"message\":\"fine\"}"_qs), 299) << u"fine"_qs;
    QTest::newRow("no choices") << Response::json(QByteArrayLiteral("{\"choices\":[]}")) << empty;
    QTest::newRow("204 without body") << Response::withStatus(204) << empty;

    Response endless = Response::json(QByteArrayLiteral("aaaaaaaaaaaaaaaa"));
    endless.endlessBody = true;
    QTest::newRow("endless reply")
        << endless << failed + u"The response was larger than 16777216 bytes."_qs;
}

void OpenAIAssistantProviderTest::failures()
{
    QFETCH(Response, answer);
    QFETCH(QString, message);
    m_server.setRoute("POST", chatPath, answer);
    OpenAIAssistantProvider provider(u"gpt-4o"_qs);
    const AssistantResponse response = ask(provider, u"prompt"_qs);
    QCOMPARE(response.message.content, message);
    QCOMPARE(response.message.role, ConversationRole::assistant);
    QVERIFY(response.artifacts.isEmpty());
    QVERIFY(!response.action);
}

void OpenAIAssistantProviderTest::refusedConnectionNamesNoKey()
{
    const quint16 port = closedLoopbackPort();
    QVERIFY(port != 0);
    qputenv("OPENAI_BASE_URL", "http://127.0.0.1:" + QByteArray::number(port));
    OpenAIAssistantProvider provider(u"gpt-4o"_qs);
    const AssistantResponse refused = ask(provider, u"prompt"_qs);
    QVERIFY2(refused.message.content.startsWith(u"OpenAI request failed: "_qs),
             qPrintable(refused.message.content));
    QVERIFY(refused.message.content.size() > u"OpenAI request failed: "_qs.size());
    QVERIFY(!refused.message.content.contains(QString::fromLatin1(dummyApiKey)));
    QVERIFY(refused.artifacts.isEmpty());
}

void OpenAIAssistantProviderTest::searchArtifactCarriesTheResults()
{
    m_server.setRoute(
        "POST", chatPath,
        Response::json(chatReply(u"{\"message\": \"m\", \"artifact\": {\"kind\": \"search\", "
                                 "\"title\": \"T\", \"body\": \"tomato soup\"}, "
                                 "\"action\": {\"type\": \"note\"}}"_qs)));
    const QByteArray article = m_server.url(u"/article"_qs).toEncoded();
    m_server.setRoute("GET", u"/html/"_qs,
                      Response::text("<div><a rel=\"nofollow\" class=\"result__a\" href=\"" +
                                     article +
                                     "\">Tomato <b>soup</b></a><a class=\"result__snippet\" "
                                     "href=\"" +
                                     article + "\">Warm &amp; easy</a></div>"));
    m_server.setRoute("GET", u"/article"_qs,
                      Response::text(QByteArrayLiteral("<html><head></head></html>")));

    const QList<SearchResult> direct =
        QCoro::waitFor(WebSearchService::shared().search(u"tomato soup"_qs));
    QCOMPARE(direct.size(), 1);
    QCOMPARE(direct.first().title, u"Tomato soup"_qs);

    OpenAIAssistantProvider provider(u"gpt-4o"_qs);
    m_server.clearRequests();
    const AssistantResponse response = ask(provider, u"soup"_qs);
    QCOMPARE(response.artifacts.size(), 1);
    QCOMPARE(response.artifacts.first().title, u"Search: \"tomato soup\""_qs);
    QCOMPARE(response.artifacts.first().kind, ArtifactKind::search);
    QCOMPARE(response.artifacts.first().body, encodeSearchResults(direct));
    QVERIFY(response.action && response.action->type == u"note");
    // One search, with the reply's query.
    const QList<test::RecordedRequest> searches = m_server.requests("GET", u"/html/"_qs);
    QCOMPARE(searches.size(), 1);
    QCOMPARE(searches.first().queryItems().queryItemValue(u"q"_qs, QUrl::FullyDecoded),
             u"tomato soup"_qs);
}

QTEST_GUILESS_MAIN(OpenAIAssistantProviderTest)
#include "tst_openaiassistantprovider.moc"
