// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/MacComputerUseService.h"
#include "fakes/FakePorts.h"
#include "support/LoopbackHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace korvane;
using namespace korvane::test;

namespace {

const QString path = QStringLiteral("/v1/chat/completions");

QByteArray chatReply(const QString& content)
{
    const QJsonObject reply{
        {QStringLiteral("choices"),
         QJsonArray{QJsonObject{{QStringLiteral("message"),
                                 QJsonObject{{QStringLiteral("role"), QStringLiteral("assistant")},
                                             {QStringLiteral("content"), content}}}}}}};
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

ComputerUseResult recipe(const QString& dish)
{
    MacComputerUseService executor(ComputerUseBackends{.ports = test::fakePorts()});
    return QCoro::waitFor(executor.getRecipe(dish));
}

} // namespace

class TestRecipes : public QObject {
    Q_OBJECT

    LoopbackHttpServer m_server;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.isListening());
        qputenv("KORVANE_ENV_FILES", "");
        qputenv("OPENAI_BASE_URL", m_server.baseUrl().toString().toUtf8());
        qputenv("OPENAI_API_KEY", "sk-test-dummy");
    }

    void init() { m_server.clearRequests(); }

    void buildsTheArtifactFromTheReply()
    {
        m_server.setRoute(
            "POST", path,
            Response::json(chatReply(QStringLiteral(
                "```json\n{\"message\":\"Here you go.\",\"artifact\":{\"kind\":\"markdown\","
                "\"title\":\"Pancakes\",\"body\":\"# Pancakes\\\\n\\\\n- flour\","
                "\"image_prompt\":\"stack of pancakes\"}}\n```"))));
        const ComputerUseResult result = recipe(QStringLiteral("pancakes"));
        QCOMPARE(result.summary, QStringLiteral("Here you go."));
        QVERIFY(result.artifact);
        QCOMPARE(result.artifact->title, QStringLiteral("Pancakes"));
        QCOMPARE(result.artifact->body, QStringLiteral("# Pancakes\n\n- flour"));
        QCOMPARE(result.artifact->imagePath,
                 std::optional<QString>(QStringLiteral("generating|stack of pancakes")));

        const RecordedRequest request = m_server.lastRequest().value();
        QCOMPARE(request.header("Authorization"), QByteArrayLiteral("Bearer sk-test-dummy"));
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        QCOMPARE(body.value(u"model").toString(), QStringLiteral("gpt-4o"));
        QCOMPARE(body.value(u"response_format").toObject().value(u"type").toString(),
                 QStringLiteral("json_object"));
        const QJsonArray messages = body.value(u"messages").toArray();
        QCOMPARE(messages.at(1).toObject().value(u"content").toString(),
                 QStringLiteral("recipe for pancakes"));
    }

    void failures_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("summary");
        QTest::newRow("status 500") << Response::withStatus(500)
                                    << QStringLiteral("Failed to retrieve recipe from OpenAI API.");
        QTest::newRow("connection closed")
            << Response::closeWithoutAnswer()
            << QStringLiteral("Failed to parse the recipe response.");
        QTest::newRow("not JSON") << Response::json(chatReply(QStringLiteral("Sorry, no.")))
                                  << QStringLiteral("Failed to parse the recipe response.");
        QTest::newRow("no choices") << Response::json("{\"choices\":[]}")
                                    << QStringLiteral("Failed to parse the recipe response.");
    }
    void failures()
    {
        QFETCH(Response, response);
        QFETCH(QString, summary);
        m_server.setRoute("POST", path, response);
        const ComputerUseResult result = recipe(QStringLiteral("soup"));
        QCOMPARE(result.summary, summary);
        QVERIFY(!result.artifact);
    }

    void withoutKeyNothingIsSent()
    {
        qunsetenv("OPENAI_API_KEY");
        const ComputerUseResult result = recipe(QStringLiteral("soup"));
        qputenv("OPENAI_API_KEY", "sk-test-dummy");
        QCOMPARE(result.summary,
                 QStringLiteral("OpenAI is not configured. Unable to retrieve recipe."));
        QCOMPARE(m_server.requestCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRecipes)
#include "tst_recipes.moc"
