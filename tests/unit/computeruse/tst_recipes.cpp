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

const QString path = u"/v1/chat/completions"_qs;

QByteArray chatReply(const QString& content)
{
    const QJsonObject message{{u"role"_qs, u"assistant"_qs}, {u"content"_qs, content}};
    const QJsonObject reply{{u"choices"_qs, QJsonArray{QJsonObject{{u"message"_qs, message}}}}};
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
        const ComputerUseResult result = recipe(u"pancakes"_qs);
        QCOMPARE(result.summary, u"Here you go."_qs);
        QVERIFY(result.artifact);
        QCOMPARE(result.artifact->title, u"Pancakes"_qs);
        QCOMPARE(result.artifact->body, u"# Pancakes\n\n- flour"_qs);
        QCOMPARE(result.artifact->imagePath,
                 std::optional<QString>(u"generating|stack of pancakes"_qs));

        const RecordedRequest request = m_server.lastRequest().value();
        QCOMPARE(request.header("Authorization"), QByteArrayLiteral("Bearer sk-test-dummy"));
        QVERIFY(request.body.contains("\"recipe for pancakes\""));
    }

    void failures_data()
    {
        QTest::addColumn<bool>("keyed");
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("summary");
        QTest::newRow("status 500") << true << Response::withStatus(500)
                                    << u"Failed to retrieve recipe from OpenAI API."_qs;
        QTest::newRow("not JSON") << true << Response::json(chatReply(u"Sorry, no."_qs))
                                  << u"Failed to parse the recipe response."_qs;
        // Without a key nothing is sent.
        QTest::newRow("no key") << false << Response::withStatus(500)
                                << u"OpenAI is not configured. Unable to retrieve recipe."_qs;
    }
    void failures()
    {
        QFETCH(bool, keyed);
        QFETCH(Response, response);
        QFETCH(QString, summary);
        m_server.setRoute("POST", path, response);
        if (!keyed)
            qunsetenv("OPENAI_API_KEY");
        const ComputerUseResult result = recipe(u"soup"_qs);
        qputenv("OPENAI_API_KEY", "sk-test-dummy");
        QCOMPARE(result.summary, summary);
        QVERIFY(!result.artifact);
        QCOMPARE(m_server.requestCount(), keyed ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestRecipes)
#include "tst_recipes.moc"
