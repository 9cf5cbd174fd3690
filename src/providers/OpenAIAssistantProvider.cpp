// SPDX-License-Identifier: GPL-3.0-or-later
#include "providers/OpenAIAssistantProvider.h"

#include "core/Configuration.h"
#include "core/ConsoleLine.h"
#include "core/LocalEnvironment.h"
#include "providers/AssistantReply.h"
#include "providers/GeneratedImage.h"
#include "providers/OpenAIEndpoints.h"
#include "search/WebSearchService.h"

#include <QNetworkAccessManager>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>

namespace korvane {

namespace {

const QString notConfiguredMessage = QStringLiteral(
    "OpenAI is not configured. Add `OPENAI_API_KEY` to `.env.local` for local development.");
const QString requestFailedPrefix = QStringLiteral("OpenAI request failed: ");
const QString invalidResponseText =
    QStringLiteral("The OpenAI server returned an invalid response.");
const QString emptyOutputText = QStringLiteral("The OpenAI response did not include text output.");
const QString imageErrorPrefix = QStringLiteral("GPT Image 2 Generation Error: ");

// A generated picture is larger than any chat reply.
constexpr qint64 maximumImageBytes = 64 * 1024 * 1024;

// The text of the first choice, or why there is none.
struct ChatOutcome {
    std::optional<QString> content{};
    QString failure{};
};

QCoro::Task<HttpFetchResult> send(QPointer<QNetworkAccessManager> session, HttpFetchRequest request)
{
    if (session)
        co_return co_await fetchHttp(*session, std::move(request));
    co_return co_await fetchHttp(std::move(request));
}

QCoro::Task<ChatOutcome> createResponse(QPointer<QNetworkAccessManager> session, QString model,
                                        QString prompt, QString apiKey)
{
    HttpFetchRequest request =
        OpenAIEndpoints::chatCompletionRequest(model, assistantSystemPrompt(), prompt, apiKey);
    apiKey.clear();
    const HttpFetchResult result = co_await send(session, std::move(request));
    if (!result.succeeded()) {
        if (result.error == HttpFetchError::notHttp)
            co_return ChatOutcome{.failure = invalidResponseText};
        co_return ChatOutcome{.failure = result.errorDescription};
    }
    // The body of a refused request is never shown.
    if (!result.hasSuccessStatus())
        co_return ChatOutcome{.failure = u"HTTP " % QString::number(result.statusCode)};
    std::optional<QString> content = OpenAIEndpoints::chatCompletionContent(result.body);
    if (!content)
        co_return ChatOutcome{.failure = emptyOutputText};
    co_return ChatOutcome{.content = content->trimmed()};
}

// Files are written one at a time, never on the caller's thread.
QThreadPool& fileWriter()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(1);
        return p;
    }();
    return *pool;
}

QCoro::Task<std::optional<QString>> saveImage(QByteArray bytes)
{
    // A named future: GCC mishandles a capturing lambda inside the co_await expression.
    QFuture<GeneratedImage::WriteResult> writing =
        QtConcurrent::run(&fileWriter(), &GeneratedImage::writeFile, std::move(bytes));
    const GeneratedImage::WriteResult written = co_await writing;
    if (!written.address)
        printConsoleLine(imageErrorPrefix % written.error);
    co_return written.address;
}

QCoro::Task<std::optional<QString>> downloadImage(QPointer<QNetworkAccessManager> session,
                                                  QString address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        co_return address;
    // Only web addresses are fetched; anything else keeps the remote form, as a failed
    // download does.
    if (url.scheme() != u"https" && url.scheme() != u"http")
        co_return address;
    HttpFetchRequest download;
    download.request.setUrl(url);
    download.maximumBodyBytes = maximumImageBytes;
    const HttpFetchResult result = co_await send(session, std::move(download));
    if (!result.succeeded() || result.statusCode != 200)
        co_return address;
    QByteArray contentType;
    for (const auto& [name, value] : result.headers) {
        if (name.compare("content-type", Qt::CaseInsensitive) == 0)
            contentType = value;
        // A connection dropped mid-body still carries its status; a short body is no picture.
        bool isNumber = false;
        if (name.compare("content-length", Qt::CaseInsensitive) == 0 &&
            (value.trimmed().toLongLong(&isNumber) != result.body.size() || !isNumber))
            co_return address;
    }
    // An error page is no picture: leave the address to the viewer.
    if (!GeneratedImage::looksLikeImage(result.body, contentType))
        co_return address;
    co_return co_await saveImage(result.body);
}

} // namespace

OpenAIAssistantProvider::OpenAIAssistantProvider(QString model, QNetworkAccessManager* session)
    : m_model(std::move(model))
    , m_session(session)
{
}

AssistantProviderKind OpenAIAssistantProvider::kind() const
{
    return AssistantProviderKind::openAI;
}

QString OpenAIAssistantProvider::model() const
{
    return m_model;
}

QCoro::Task<AssistantResponse> OpenAIAssistantProvider::respond(AssistantRequest request)
{
    std::optional<QString> apiKey = LocalEnvironment::value(Configuration::apiKeyName);
    if (!apiKey)
        co_return AssistantResponse{.message = assistantMessage(notConfiguredMessage),
                                    .failed = true};
    // Nothing of `this` is touched past the first suspension.
    const ChatOutcome outcome =
        co_await createResponse(m_session, m_model, std::move(request.prompt), std::move(*apiKey));
    if (!outcome.content)
        co_return AssistantResponse{
            .message = assistantMessage(requestFailedPrefix % outcome.failure), .failed = true};

    AssistantReplyMapping mapping = mapAssistantReply(*outcome.content);
    if (mapping.searchQuery) {
        const QString query = *mapping.searchQuery;
        const QList<SearchResult> results = co_await WebSearchService::shared().search(query);
        mapping.response.artifacts.append(searchArtifact(query, encodeSearchResults(results)));
    }
    co_return std::move(mapping.response);
}

QCoro::Task<std::optional<QString>> OpenAIAssistantProvider::generateGptImage(QString prompt,
                                                                              QString size)
{
    std::optional<QString> apiKey = LocalEnvironment::value(Configuration::apiKeyName);
    if (!apiKey)
        co_return std::nullopt;
    const QPointer<QNetworkAccessManager> session = m_session;
    HttpFetchRequest request = OpenAIEndpoints::jsonPostRequest(
        OpenAIEndpoints::imageGenerationsPath, *apiKey, GeneratedImage::requestBody(prompt, size));
    apiKey.reset();
    request.maximumBodyBytes = maximumImageBytes;

    const HttpFetchResult result = co_await send(session, std::move(request));
    if (!result.succeeded()) {
        if (result.error != HttpFetchError::notHttp)
            printConsoleLine(imageErrorPrefix % result.errorDescription);
        co_return std::nullopt;
    }
    if (result.statusCode != 200)
        co_return std::nullopt;
    const std::optional<GeneratedImage::ReplyData> reply = GeneratedImage::readReply(result.body);
    if (!reply)
        co_return std::nullopt;
    if (reply->b64Json) {
        if (std::optional<QByteArray> bytes = GeneratedImage::decodeBase64(*reply->b64Json))
            co_return co_await saveImage(std::move(*bytes));
    }
    if (reply->url)
        co_return co_await downloadImage(session, *reply->url);
    co_return std::nullopt;
}

} // namespace korvane
