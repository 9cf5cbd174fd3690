// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealtimeClientEvents.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

namespace korvane::RealtimeClientEvents {

namespace {

QJsonObject stringProperty(const QString& description)
{
    return QJsonObject{{u"type"_qs, u"string"_qs}, {u"description"_qs, description}};
}

QJsonObject enumProperty(const QString& description, const QStringList& cases)
{
    QJsonObject property = stringProperty(description);
    property.insert(u"enum"_qs, QJsonArray::fromStringList(cases));
    return property;
}

} // namespace

QString instructions(const QString& homePath)
{
    const QString example = homePath + QStringLiteral("/Downloads/sales.xlsx");
    const QStringList lines{
        QStringLiteral("You are Korvane, a Mac computer-use operator."),
        QString(),
        QStringLiteral("Your only purpose is to carry out computer-use tasks on the user's Mac."),
        QStringLiteral("Treat requests as commands to execute through computer use, not as topics "
                       "for conversation."),
        QString(),
        QStringLiteral("UI Interaction Guidelines:"),
        QStringLiteral("- When asked to click, type, or interact with an application, first run "
                       "the `inspect_ui` action to see the visible elements of the frontmost "
                       "application window."),
        QStringLiteral("- Inspecting the UI allows you to see the exact names/labels of elements "
                       "(buttons, text fields, links) so you can target them accurately."),
        QStringLiteral("- To input text into a field, focus it first (or pass its name to "
                       "target_name) and call the `type` action."),
        QStringLiteral("- Use keyboard key press actions (e.g. `press_key` with key `enter` or "
                       "`tab`) to submit forms or navigate."),
        QString(),
        QStringLiteral("Action Routing Rules:"),
        QStringLiteral("- Recipes: ALWAYS use the `get_recipe` action if the user requests a "
                       "cooking/food/drink recipe. Do NOT use `search_web` or `open_url` for "
                       "recipes."),
        QStringLiteral("- Image Generation: ALWAYS use the `generate_image` action if the user "
                       "wants to generate or draw an image."),
        QStringLiteral("- Spreadsheets or Charts: ALWAYS use `run_python_script` to "
                       "programmatically build spreadsheet manipulations (.xlsx, .csv) or charts. "
                       "Save the files to the user's Downloads directory (e.g. \"") +
            example +
            QStringLiteral("\" or similar) and output the "
                           "[ARTIFACT:spreadsheet|path_to_file|Title|content] tag."),
        QStringLiteral("- Presentations: If the user asks to create or open a presentation (such "
                       "as Keynote, slide decks, or PowerPoint files): DO NOT try to generate a "
                       "presentation file or python code. Instead, use the computer use commands "
                       "to launch the \"Keynote\" application, and explain to the user that they "
                       "can create slides there."),
        QString(),
        QStringLiteral("Behavior:"),
        QStringLiteral("- Be brief and action-focused."),
        QStringLiteral("- Do not speak before execution."),
        QStringLiteral("- Do not say computer control is blocked or unavailable."),
        QStringLiteral("- Do not explain general knowledge unless it is required to complete the "
                       "task."),
        QStringLiteral("- Do not ask follow-up questions unless the task is ambiguous or blocked."),
        QStringLiteral("- Let the local computer-use result confirm what happened."),
        QStringLiteral("- Do not offer alternatives, tutorials, or chatty commentary."),
        QStringLiteral("- Web Search: Use the `search_web` action to perform searches. Never call "
                       "`open_url` automatically to open a search result link after performing a "
                       "search; the results are already displayed to the user in their Artifacts "
                       "sidebar. Just let them know the results are ready in the sidebar."),
        QStringLiteral("- Silent Image Generation: When executing the `generate_image` action, DO "
                       "NOT output any conversational text or speech (like \"Generating the "
                       "image...\" or describing the image). Keep your response completely silent "
                       "and let the generated image speak for itself."),
    };
    return lines.join(u'\n');
}

QJsonObject computerUseToolDefinition()
{
    const QJsonObject properties{
        {u"action"_qs,
         enumProperty(
             QStringLiteral(
                 "The action to perform. MUST use get_recipe when the user asks for recipes, "
                 "cooking steps, or food/drink creation (do NOT use search_web/open_url). MUST "
                 "use generate_image when user requests to generate an image. MUST use "
                 "run_python_script to run background Python code programmatically to generate "
                 "PowerPoint presentation slides, manipulate spreadsheets, or plot charts."),
             {u"open_app"_qs, u"open_url"_qs, u"inspect_ui"_qs, u"click"_qs, u"type"_qs,
              u"press_key"_qs, u"search_web"_qs, u"generate_image"_qs, u"get_recipe"_qs,
              u"run_python_script"_qs})},
        {u"app_name"_qs,
         stringProperty(QStringLiteral(
             "The name of the application to launch or focus (required for open_app)."))},
        {u"url"_qs, stringProperty(QStringLiteral(
                        "The web URL to open in the browser (required for open_url)."))},
        {u"target_name"_qs,
         stringProperty(QStringLiteral("The name or label of the element to click or focus "
                                       "(required for click, and optional for type to focus "
                                       "before typing)."))},
        {u"text"_qs, stringProperty(QStringLiteral(
                         "The text to type into the focused input field (required for type)."))},
        {u"key"_qs, stringProperty(QStringLiteral("The keyboard key to press (required for "
                                                  "press_key). E.g. 'enter', 'tab', 'escape', "
                                                  "'space'."))},
        {u"query"_qs, stringProperty(QStringLiteral(
                          "The search query to perform on the web (required for search_web)."))},
        {u"prompt"_qs,
         stringProperty(QStringLiteral("The detailed prompt/description of the image to "
                                       "generate (required for generate_image)."))},
        {u"aspect_ratio"_qs,
         enumProperty(QStringLiteral("The requested aspect ratio for the generated image "
                                     "(optional, defaults to 1:1)."),
                      {u"1:1"_qs, u"3:2"_qs, u"2:3"_qs, u"16:9"_qs, u"9:16"_qs})},
        {u"script_code"_qs,
         stringProperty(QStringLiteral(
             "The complete Python script code to execute (required for run_python_script). "
             "Print '[ARTIFACT:spreadsheet|/path/to/file.xlsx|Title|content]' to output "
             "spreadsheet artifacts."))},
    };
    const QJsonObject parameters{
        {u"type"_qs, u"object"_qs},
        {u"properties"_qs, properties},
        {u"required"_qs, QJsonArray{u"action"_qs}},
        {u"additionalProperties"_qs, false},
    };
    return QJsonObject{
        {u"type"_qs, u"function"_qs},
        {u"name"_qs, u"computer_use"_qs},
        {u"description"_qs,
         QStringLiteral("Perform interactive operations on the user's macOS computer, such as "
                        "opening apps, opening web URLs, inspecting the screen, clicking "
                        "elements, typing text, pressing keys, performing background web "
                        "searches, or generating/designing images natively.")},
        {u"parameters"_qs, parameters},
    };
}

namespace {

// Null switches the server's detection off: the turn ends when the client commits it.
QJsonValue turnDetection(TurnTaking turns)
{
    if (turns == TurnTaking::heldKey)
        return QJsonValue::Null;
    return QJsonObject{{u"type"_qs, u"server_vad"_qs}, {u"create_response"_qs, true}};
}

} // namespace

QJsonObject sessionUpdate(bool isVoice, const QString& instructions, TurnTaking turns)
{
    QJsonObject session{
        {u"type"_qs, u"realtime"_qs},
        {u"instructions"_qs, instructions},
        {u"tools"_qs, QJsonArray{computerUseToolDefinition()}},
        {u"tool_choice"_qs, u"auto"_qs},
        // Without it a session that once spoke keeps answering in audio.
        {u"output_modalities"_qs, QJsonArray{isVoice ? u"audio"_qs : u"text"_qs}},
    };
    if (isVoice) {
        const QJsonObject input{
            {u"format"_qs, QJsonObject{{u"type"_qs, u"audio/pcm"_qs}, {u"rate"_qs, 24000}}},
            {u"transcription"_qs, QJsonObject{{u"model"_qs, u"gpt-4o-mini-transcribe"_qs}}},
            {u"turn_detection"_qs, turnDetection(turns)},
        };
        session.insert(u"audio"_qs, QJsonObject{{u"input"_qs, input}});
    }
    return QJsonObject{{u"type"_qs, u"session.update"_qs}, {u"session"_qs, session}};
}

QJsonObject turnTakingUpdate(TurnTaking turns)
{
    const QJsonObject input{{u"turn_detection"_qs, turnDetection(turns)}};
    const QJsonObject session{{u"type"_qs, u"realtime"_qs},
                              {u"audio"_qs, QJsonObject{{u"input"_qs, input}}}};
    return QJsonObject{{u"type"_qs, u"session.update"_qs}, {u"session"_qs, session}};
}

QJsonObject inputAudioBufferClear()
{
    return QJsonObject{{u"type"_qs, u"input_audio_buffer.clear"_qs}};
}

QJsonObject inputAudioBufferCommit()
{
    return QJsonObject{{u"type"_qs, u"input_audio_buffer.commit"_qs}};
}

QJsonObject inputAudioBufferAppend(const QByteArray& pcm)
{
    return QJsonObject{{u"type"_qs, u"input_audio_buffer.append"_qs},
                       {u"audio"_qs, QString::fromLatin1(pcm.toBase64())}};
}

QJsonObject functionCallOutput(const QString& callId, const QString& output)
{
    const QJsonObject item{
        {u"type"_qs, u"function_call_output"_qs},
        {u"call_id"_qs, callId},
        {u"output"_qs, output},
    };
    return QJsonObject{{u"type"_qs, u"conversation.item.create"_qs}, {u"item"_qs, item}};
}

QJsonObject conversationItemTruncate(const QString& itemId, int contentIndex, qint64 audioEndMs)
{
    return QJsonObject{{u"type"_qs, u"conversation.item.truncate"_qs},
                       {u"item_id"_qs, itemId},
                       {u"content_index"_qs, contentIndex},
                       {u"audio_end_ms"_qs, audioEndMs}};
}

QJsonObject responseCreate()
{
    return QJsonObject{{u"type"_qs, u"response.create"_qs}};
}

QString text(const QJsonObject& event)
{
    return QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact));
}

} // namespace korvane::RealtimeClientEvents
