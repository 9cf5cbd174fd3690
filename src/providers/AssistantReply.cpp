// SPDX-License-Identifier: GPL-3.0-or-later
#include "providers/AssistantReply.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBoundaryFinder>

namespace korvane {

namespace {

// Whether `prefix` starts `text` as whole user-perceived characters: a fence followed by a
// combining mark is not a fence.
bool hasCharacterPrefix(const QString& text, QStringView prefix)
{
    if (!text.startsWith(prefix))
        return false;
    if (text.size() == prefix.size())
        return true;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(prefix.size());
    return finder.isAtBoundary();
}

bool hasCharacterSuffix(const QString& text, QStringView suffix)
{
    if (!text.endsWith(suffix))
        return false;
    if (text.size() == suffix.size())
        return true;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(text.size() - suffix.size());
    return finder.isAtBoundary();
}

ArtifactKind documentKind(const QString& kind)
{
    if (kind == u"markdown")
        return ArtifactKind::markdown;
    if (kind == u"diagram")
        return ArtifactKind::diagram;
    if (kind == u"presentation")
        return ArtifactKind::presentation;
    return ArtifactKind::note;
}

std::optional<AssistantAction> readAction(const QJsonObject& reply)
{
    const QJsonValue value = reply.value(QLatin1String("action"));
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject action = value.toObject();
    const QJsonValue type = action.value(QLatin1String("type"));
    if (!type.isString())
        return std::nullopt;
    AssistantAction result{.type = type.toString()};
    const QJsonValue script = action.value(QLatin1String("script_code"));
    if (script.isString())
        result.scriptCode = script.toString();
    return result;
}

} // namespace

QString cleanJsonString(const QString& text)
{
    QString cleaned = text.trimmed();
    if (hasCharacterPrefix(cleaned, u"```json"))
        cleaned.remove(0, 7);
    else if (hasCharacterPrefix(cleaned, u"```"))
        cleaned.remove(0, 3);
    if (hasCharacterSuffix(cleaned, u"```"))
        cleaned.chop(3);
    return cleaned.trimmed();
}

ConversationMessage assistantMessage(const QString& content)
{
    return ConversationMessage{
        .role = ConversationRole::assistant, .mode = InputMode::quiet, .content = content};
}

Artifact searchArtifact(const QString& query, const QString& resultsJson)
{
    return Artifact{.kind = ArtifactKind::search,
                    .title = u"Search: \"" % query % u'"',
                    .status = ArtifactStatus::ready,
                    .body = resultsJson};
}

AssistantReplyMapping mapAssistantReply(const QString& content)
{
    AssistantReplyMapping mapping;
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(cleanJsonString(content).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        // Prose, or JSON that is not an object: shown as the model wrote it.
        mapping.response.message = assistantMessage(content);
        return mapping;
    }
    const QJsonObject reply = document.object();

    const QJsonValue message = reply.value(QLatin1String("message"));
    mapping.response.message =
        assistantMessage(message.isString() ? message.toString() : QString());
    mapping.response.action = readAction(reply);

    const QJsonValue artifactValue = reply.value(QLatin1String("artifact"));
    if (!artifactValue.isObject())
        return mapping;
    const QJsonObject artifact = artifactValue.toObject();
    const QJsonValue kind = artifact.value(QLatin1String("kind"));
    const QJsonValue title = artifact.value(QLatin1String("title"));
    const QJsonValue bodyValue = artifact.value(QLatin1String("body"));
    if (!kind.isString() || !title.isString() || !bodyValue.isString())
        return mapping;
    // Models often write line breaks as the two characters of their escape.
    const QString body = bodyValue.toString().replace(QLatin1String("\\n"), QLatin1String("\n"));
    const QString kindText = kind.toString();

    if (kindText == u"image") {
        const QJsonValue size = artifact.value(QLatin1String("size"));
        const QString sizeText = size.isString() ? size.toString() : QStringLiteral("1024x1024");
        mapping.response.artifacts.append(Artifact{.kind = ArtifactKind::image,
                                                   .title = title.toString(),
                                                   .status = ArtifactStatus::running,
                                                   .body = sizeText % u'|' % body});
        return mapping;
    }
    if (kindText == u"search") {
        mapping.searchQuery = body;
        return mapping;
    }
    Artifact result{.kind = documentKind(kindText),
                    .title = title.toString(),
                    .status = ArtifactStatus::ready,
                    .body = body};
    const QJsonValue imagePrompt = artifact.value(QLatin1String("image_prompt"));
    if (imagePrompt.isString() && !imagePrompt.toString().isEmpty())
        result.imagePath = pendingCoverImagePrefix % imagePrompt.toString();
    mapping.response.artifacts.append(std::move(result));
    return mapping;
}

QString assistantSystemPrompt()
{
    const QString examplePath = QDir::homePath() % u"/Downloads/sales.xlsx";
    return QStringView(uR"prompt(You are Korvane, a highly capable Mac AI Assistant.
Your purpose is to answer the user's questions and generate rich documents (Artifacts) in the sidebar.

You must respond ONLY with a JSON object in this exact schema:
{
  "message": "A conversational reply to the user. Keep it polite, helpful, and concise.",
  "action": {
    "type": "run_python_script",
    "script_code": "The complete Python code to execute. Use this when the user requests generating PowerPoint files (.pptx), spreadsheets, or charts. The script MUST strictly follow the 'Artifact Guidelines' below for Slide layouts, high-fidelity GPT Image 2 background generation, SSL handling, and the multi-slide [ARTIFACT:presentation|...] tag print output."
  },
  "artifact": {
    "kind": "markdown" | "note" | "presentation" | "image" | "search",
    "title": "A short, descriptive title for the sidebar artifact",
    "body": "The content body of the artifact.",
    "size": "1024x1024" | "1536x1024" | "1024x1536" | "1792x1024" | "1024x1792",
    "image_prompt": "An optional detailed image prompt if the artifact is a recipe, guide, or visual document that would benefit from a generated illustration at the top (e.g. food recipe, travel guide, city profile, visual design layout)."
  }
}

Artifact Guidelines:
- If the user asks to create or manipulate spreadsheets or charts: include the "action" block with "type" set to "run_python_script" and write the required python script in "script_code". Always save the files to the user's Downloads directory (e.g. ")prompt") %
           examplePath %
           QStringView(
               uR"prompt(" or similar) and output the [ARTIFACT:spreadsheet|path_to_file|Title|content] tag so they display in the sidebar.
- If the user asks to create or open a presentation (such as Keynote, slide decks, or PowerPoint files): DO NOT try to generate a presentation file or python code. Instead, use the computer use commands to launch the "Keynote" application, and explain to the user that they can create slides there.
- If the user asks for a recipe, plan, code snippet, guide, or essay: set kind to "markdown", put the formatted markdown in "body", and if it is a recipe or visual guide, provide an image prompt in "image_prompt" to generate a cover image. Always format lists and paragraphs with clean markdown headers (# and ##) and list bullets (-), and use double newlines (\n\n) between blocks to guarantee clean structure.
- If the user asks to generate an image: set kind to "image", put a detailed image prompt in "body", and if they specify or request a specific aspect ratio or size (e.g. wide, landscape, portrait, square, 3:2, 16:9), select the closest matching size key ('1024x1024' (1:1), '1536x1024' (3:2), '1024x1536' (2:3), '1792x1024' (16:9), or '1024x1792' (9:16)). Otherwise default to '1024x1024'.
- If the user asks to search the web: set kind to "search" and put the search query in "body".
- If the user asks a simple question that does not need a sidebar document (like hello, chit-chat, or quick answers): omit the "artifact" key or set it to null.)prompt");
}

} // namespace korvane
