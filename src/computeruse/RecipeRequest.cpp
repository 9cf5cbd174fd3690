// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/RecipeRequest.h"

#include "providers/AssistantReply.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvane::recipes {

namespace {

ComputerUseResult unparsable()
{
    return ComputerUseResult::failure(QStringLiteral("Failed to parse the recipe response."));
}

} // namespace

QString recipePrompt()
{
    // "\\n\\n" stays four characters: the model is told to write them literally.
    return QStringLiteral(
        "You are Korvane, a highly capable Mac AI Assistant.\n"
        "Your purpose is to generate a recipe in the sidebar for the requested dish.\n"
        "\n"
        "You must respond ONLY with a JSON object in this exact schema:\n"
        "{\n"
        "  \"message\": \"A conversational reply to the user. Keep it polite, helpful, and "
        "concise.\",\n"
        "  \"artifact\": {\n"
        "    \"kind\": \"markdown\",\n"
        "    \"title\": \"A short, descriptive title for the recipe\",\n"
        "    \"body\": \"The formatted recipe content in markdown. Always use double newlines "
        "(\\n\\n) between paragraphs, section headers (# and ##), and bullet points (-) so it "
        "parses correctly.\",\n"
        "    \"image_prompt\": \"A detailed image prompt to generate a beautiful, photorealistic "
        "cover photo for the recipe.\"\n"
        "  }\n"
        "}");
}

QByteArray requestBody(const QString& dish)
{
    const QJsonObject body{
        {QStringLiteral("model"), QStringLiteral("gpt-4o")},
        {QStringLiteral("messages"),
         QJsonArray{
             QJsonObject{{QStringLiteral("role"), QStringLiteral("system")},
                         {QStringLiteral("content"), recipePrompt()}},
             QJsonObject{
                 {QStringLiteral("role"), QStringLiteral("user")},
                 {QStringLiteral("content"), QString(QStringLiteral("recipe for ") + dish)}},
         }},
        {QStringLiteral("response_format"),
         QJsonObject{{QStringLiteral("type"), QStringLiteral("json_object")}}},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

ComputerUseResult resultFromReply(const QByteArray& body)
{
    const QJsonValue content = QJsonDocument::fromJson(body)
                                   .object()
                                   .value(u"choices")
                                   .toArray()
                                   .at(0)
                                   .toObject()
                                   .value(u"message")
                                   .toObject()
                                   .value(u"content");
    if (!content.isString())
        return unparsable();
    QJsonParseError error;
    const QJsonDocument reply =
        QJsonDocument::fromJson(cleanJsonString(content.toString()).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !reply.isObject())
        return unparsable();
    const QJsonValue message = reply.object().value(u"message");
    const QJsonValue artifactValue = reply.object().value(u"artifact");
    if (!message.isString() || !artifactValue.isObject())
        return unparsable();
    const QJsonObject artifactObject = artifactValue.toObject();
    const QJsonValue title = artifactObject.value(u"title");
    const QJsonValue recipe = artifactObject.value(u"body");
    if (!title.isString() || !recipe.isString())
        return unparsable();

    Artifact artifact;
    artifact.kind = ArtifactKind::markdown;
    artifact.status = ArtifactStatus::ready;
    artifact.title = title.toString();
    artifact.body = recipe.toString().replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    const QJsonValue imagePrompt = artifactObject.value(u"image_prompt");
    if (imagePrompt.isString() && !imagePrompt.toString().isEmpty())
        artifact.imagePath = pendingCoverImagePrefix.toString() + imagePrompt.toString();
    return {message.toString(), artifact};
}

} // namespace korvane::recipes
