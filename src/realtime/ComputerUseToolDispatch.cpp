// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/ComputerUseToolDispatch.h"

#include "uiautomation/KeyboardKey.h"

namespace korvane {

namespace {

bool isNonEmpty(const std::optional<QString>& value)
{
    return value && !value->isEmpty();
}

// Every sentence of its own here says why nothing was done.
ComputerUseResult sentence(const QString& summary)
{
    return ComputerUseResult::failure(summary);
}

} // namespace

QCoro::Task<ComputerUseResult> executeToolAction(std::shared_ptr<ComputerUseToolActions> actions,
                                                 ComputerUseToolArguments arguments)
{
    const QString key = arguments.action.trimmed().toLower();
    const ComputerUseToolArguments& a = arguments;

    if (key == u"open_app") {
        if (!isNonEmpty(a.appName))
            co_return sentence(QStringLiteral("No application name provided."));
        co_return co_await actions->openApp(*a.appName);
    }
    if (key == u"open_url") {
        if (!isNonEmpty(a.url))
            co_return sentence(QStringLiteral("No URL provided."));
        co_return co_await actions->openURL(*a.url);
    }
    if (key == u"inspect_ui")
        co_return co_await actions->inspectUI();
    if (key == u"click") {
        if (!isNonEmpty(a.targetName))
            co_return sentence(QStringLiteral("No element name provided to click."));
        co_return co_await actions->clickElement(*a.targetName);
    }
    if (key == u"type") {
        // An empty text is still typed: only a missing one is refused.
        if (!a.text)
            co_return sentence(QStringLiteral("No text provided to type."));
        if (isNonEmpty(a.targetName))
            co_return co_await actions->typeText(*a.text, *a.targetName);
        co_return co_await actions->typeText(*a.text);
    }
    if (key == u"press_key") {
        const std::optional<KeyboardKey> parsed =
            a.key ? KeyboardKey::parse(*a.key) : std::optional<KeyboardKey>{};
        if (!parsed)
            co_return sentence(QStringLiteral("Invalid or missing key: ") +
                               a.key.value_or(QString()));
        co_return co_await actions->pressKey(*parsed);
    }
    if (key == u"search_web") {
        if (!isNonEmpty(a.query))
            co_return sentence(QStringLiteral("No search query provided."));
        co_return co_await actions->searchWeb(*a.query);
    }
    if (key == u"generate_image") {
        if (!isNonEmpty(a.prompt))
            co_return sentence(QStringLiteral("No prompt provided to generate the image."));
        co_return co_await actions->generateImage(*a.prompt, a.aspectRatio);
    }
    if (key == u"get_recipe") {
        if (!isNonEmpty(a.query))
            co_return sentence(QStringLiteral("No recipe query provided."));
        co_return co_await actions->getRecipe(*a.query);
    }
    if (key == u"run_python_script") {
        if (!isNonEmpty(a.scriptCode))
            co_return sentence(QStringLiteral("No script code provided."));
        co_return co_await actions->runPythonScript(*a.scriptCode, ScriptPermissions{});
    }
    co_return sentence(QStringLiteral("Action '") + a.action +
                       QStringLiteral("' is not supported."));
}

} // namespace korvane
