// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ComputerUseOperations.h"
#include "computeruse/RecipeRequest.h"
#include "core/Configuration.h"
#include "core/ConsoleLine.h"
#include "core/HttpFetch.h"
#include "core/LocalEnvironment.h"

namespace korvane::operations {

namespace {

using namespace std::chrono_literals;

// Every sentence of its own here tells of a failure.
ComputerUseResult sentence(QString summary)
{
    return ComputerUseResult::failure(std::move(summary));
}

} // namespace

QCoro::Task<ComputerUseResult> getRecipe(QString dish)
{
    HttpFetchRequest request;
    {
        // The key lives only as long as the request is built.
        const std::optional<QString> key = LocalEnvironment::value(Configuration::apiKeyName);
        if (!key)
            co_return sentence(
                QStringLiteral("OpenAI is not configured. Unable to retrieve recipe."));
        request.request.setUrl(
            Configuration::openAIEndpoint(QStringLiteral("/v1/chat/completions")));
        request.request.setRawHeader("Authorization", "Bearer " + key->toUtf8());
    }
    request.request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArrayLiteral("application/json"));
    request.method = QByteArrayLiteral("POST");
    request.body = recipes::requestBody(dish);
    request.timeout = 60s;

    const HttpFetchResult reply = co_await fetchHttp(std::move(request));
    if (reply.error == HttpFetchError::notHttp)
        co_return sentence(QStringLiteral("Failed to retrieve recipe from OpenAI API."));
    if (reply.error == HttpFetchError::insecureDestination)
        co_return sentence(reply.errorDescription);
    if (!reply.succeeded()) {
        printConsoleLine(QStringLiteral("Failed to fetch recipe: ") + reply.errorDescription);
        co_return sentence(QStringLiteral("Failed to parse the recipe response."));
    }
    if (reply.statusCode != 200)
        co_return sentence(QStringLiteral("Failed to retrieve recipe from OpenAI API."));
    co_return recipes::resultFromReply(reply.body);
}

} // namespace korvane::operations
