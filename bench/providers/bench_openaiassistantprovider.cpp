// SPDX-License-Identifier: GPL-3.0-or-later
// The OpenAI provider's own cost per respond(): a loopback server that answers at once, the
// bare HTTP exchange measured alongside so the difference is what the provider adds.
//   bench_openaiassistantprovider            medians over many runs
//   bench_openaiassistantprovider --memory   peak memory of one 10 MiB reply
#include "core/HttpFetch.h"
#include "providers/AssistantReply.h"
#include "providers/OpenAIAssistantProvider.h"
#include "providers/OpenAIEndpoints.h"
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <qcoro/qcorotask.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace korvane;
using korvane::test::LoopbackHttpServer;
using korvane::test::Response;

namespace {

QByteArray chatReply(const QString& content)
{
    const QJsonObject message{{u"role"_qs, u"assistant"_qs}, {u"content"_qs, content}};
    return QJsonDocument(
               QJsonObject{{u"choices"_qs, QJsonArray{QJsonObject{{u"message"_qs, message}}}}})
        .toJson(QJsonDocument::Compact);
}

QString typicalContent()
{
    QString body;
    for (int i = 0; i < 40; ++i)
        body += u"## Step "_qs + QString::number(i) + u"\\n\\n- Stir the sauce and taste it.\\n"_qs;
    const QJsonObject artifact{{u"kind"_qs, u"markdown"_qs},
                               {u"title"_qs, u"Tomato sauce"_qs},
                               {u"body"_qs, body},
                               {u"image_prompt"_qs, u"a pot of tomato sauce"_qs}};
    const QJsonObject reply{{u"message"_qs, u"Here is a recipe."_qs}, {u"artifact"_qs, artifact}};
    return u"```json\n"_qs + QString::fromUtf8(QJsonDocument(reply).toJson()) + u"\n```"_qs;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

qint64 peakResidentKiB()
{
    QFile status(u"/proc/self/status"_qs);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression line(u"^VmHWM:\\s+(\\d+) kB"_qs,
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

int measureMemory(LoopbackHttpServer& server)
{
    // 10 MiB of markdown with escaped line breaks to replace.
    QString body;
    const QString piece = u"- a line of the document\\n"_qs;
    // Each piece grows by three backslashes on its way into the reply.
    while ((body.size() / piece.size()) * (piece.size() + 3) < 10 * 1024 * 1024)
        body += piece;
    const QJsonObject artifact{
        {u"kind"_qs, u"markdown"_qs}, {u"title"_qs, u"Large"_qs}, {u"body"_qs, body}};
    const QString content = QString::fromUtf8(
        QJsonDocument(QJsonObject{{u"message"_qs, u"m"_qs}, {u"artifact"_qs, artifact}}).toJson());
    body.clear();
    const QByteArray reply = chatReply(content);
    server.setRoute("POST", OpenAIEndpoints::chatCompletionsPath.toString(), Response::json(reply));

    const qint64 before = peakResidentKiB();
    OpenAIAssistantProvider provider(u"gpt-4o"_qs);
    const AssistantResponse response =
        QCoro::waitFor(provider.respond(AssistantRequest{.prompt = u"big"_qs}));
    const qint64 after = peakResidentKiB();
    std::printf("reply body: %.1f MiB, artifact body: %.1f MiB (UTF-16)\n",
                reply.size() / 1048576.0, response.artifacts.value(0).body.size() * 2 / 1048576.0);
    std::printf("peak resident before: %lld KiB, after: %lld KiB, growth: %.1f MiB\n",
                static_cast<long long>(before), static_cast<long long>(after),
                (after - before) / 1024.0);
    return response.artifacts.size() == 1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    LoopbackHttpServer server;
    if (!server.isListening())
        return 1;
    qputenv("KORVANE_ENV_FILES", "");
    qputenv("OPENAI_API_KEY", "bench-dummy-key");
    qputenv("OPENAI_BASE_URL", server.baseUrl().toEncoded());

    if (app.arguments().contains(u"--memory"_qs))
        return measureMemory(server);

    const QString content = typicalContent();
    const QByteArray reply = chatReply(content);
    server.setRoute("POST", OpenAIEndpoints::chatCompletionsPath.toString(), Response::json(reply));
    OpenAIAssistantProvider provider(u"gpt-4o"_qs);
    constexpr int runs = 400;
    std::vector<double> respondMs, fetchMs, pureMs;
    QElapsedTimer timer;

    // Warm up connections and caches.
    for (int i = 0; i < 20; ++i)
        QCoro::waitFor(provider.respond(AssistantRequest{.prompt = u"sauce"_qs}));

    for (int i = 0; i < runs; ++i) {
        timer.start();
        const AssistantResponse response =
            QCoro::waitFor(provider.respond(AssistantRequest{.prompt = u"sauce"_qs}));
        respondMs.push_back(timer.nsecsElapsed() / 1e6);
        if (response.artifacts.size() != 1)
            return 1;

        HttpFetchRequest bare;
        bare.request.setUrl(server.url(OpenAIEndpoints::chatCompletionsPath.toString()));
        bare.method = QByteArrayLiteral("POST");
        bare.body = QByteArrayLiteral("{}");
        timer.start();
        const HttpFetchResult fetched = QCoro::waitFor(fetchHttp(std::move(bare)));
        fetchMs.push_back(timer.nsecsElapsed() / 1e6);
        if (fetched.statusCode != 200)
            return 1;

        timer.start();
        const HttpFetchRequest built = OpenAIEndpoints::chatCompletionRequest(
            u"gpt-4o"_qs, assistantSystemPrompt(), u"sauce"_qs, u"bench-dummy-key"_qs);
        const std::optional<QString> text = OpenAIEndpoints::chatCompletionContent(reply);
        const AssistantReplyMapping mapping = mapAssistantReply(text->trimmed());
        pureMs.push_back(timer.nsecsElapsed() / 1e6);
        if (built.body.isEmpty() || mapping.response.artifacts.size() != 1)
            return 1;
    }

    std::printf("reply content: %lld characters, %d runs\n", static_cast<long long>(content.size()),
                runs);
    std::printf("respond() over loopback, median: %.3f ms\n", median(respondMs));
    std::printf("bare fetch of the same reply, median: %.3f ms\n", median(fetchMs));
    std::printf("difference of the medians: %.3f ms\n", median(respondMs) - median(fetchMs));
    std::printf("request built + reply read and mapped, no network, median: %.3f ms\n",
                median(pureMs));
    return 0;
}
