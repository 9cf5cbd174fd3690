// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ComputerUseOperations.h"
#include "platform/BrowserAutomation.h"
#include "uiautomation/UIAutomation.h"

namespace korvane::operations {

namespace {

ComputerUseResult sentence(QString summary)
{
    return {std::move(summary), std::nullopt};
}

ComputerUseResult mapped(const UIAutomationResult& result)
{
    ComputerUseResult mapped = sentence(summary(result));
    mapped.failed = result.outcome != UIAutomationResult::Outcome::succeeded;
    return mapped;
}

QString elementLine(const UIElementDescription& element)
{
    QString line =
        QStringLiteral("- [") + element.role + QStringLiteral("] \"") + element.name + u'"';
    if (element.description && !element.description->isEmpty())
        line += QStringLiteral(" (") + *element.description + u')';
    if (element.value && !element.value->isEmpty())
        line += QStringLiteral(" = \"") + *element.value + u'"';
    return line + u'\n';
}

} // namespace

QString permissionSentence()
{
    // Linux grants reading other programs' windows by switching accessibility on: Korvane
    // switches it on itself where the accessibility bus runs.
    return QStringLiteral("Enable the desktop's accessibility support (the AT-SPI bus of "
                          "at-spi2-core), then try again.");
}

QString summary(const UIAutomationResult& result)
{
    if (result.outcome == UIAutomationResult::Outcome::accessibilityDenied)
        return permissionSentence();
    return result.message;
}

QCoro::Task<ComputerUseResult> inspectUI(ContextPointer context)
{
    const QList<UIElementDescription> elements =
        co_await context->ports.uiAutomation->getVisibleElements();
    if (elements.isEmpty())
        co_return ComputerUseResult::failure(
            QStringLiteral("No interactive elements found. Ensure the application "
                           "is focused and has fully loaded."));
    QString summary = QStringLiteral("Interactive elements in the active window:\n\n");
    for (const UIElementDescription& element : elements)
        summary += elementLine(element);
    co_return sentence(summary);
}

QCoro::Task<ComputerUseResult> clickElement(ContextPointer context, QString name)
{
    if (const std::optional<BrowserTarget> browser =
            co_await context->ports.browsers->frontmost()) {
        const BrowserClickResult clicked =
            co_await context->ports.browsers->clickPageElement(*browser, name);
        if (clicked.handled)
            co_return sentence(clicked.text);
    }
    co_return mapped(co_await context->ports.uiAutomation->clickVisibleElement(name));
}

QCoro::Task<ComputerUseResult> typeText(ContextPointer context, QString text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        co_return ComputerUseResult::failure(QStringLiteral("No text provided."));
    co_return mapped(co_await context->ports.uiAutomation->typeText(trimmed));
}

QCoro::Task<ComputerUseResult> typeTextIntoField(ContextPointer context, QString text,
                                                 QString field)
{
    const QString trimmedText = text.trimmed();
    const QString trimmedField = field.trimmed();
    if (trimmedText.isEmpty() || trimmedField.isEmpty())
        co_return ComputerUseResult::failure(QStringLiteral("No text or field provided."));
    co_return mapped(co_await context->ports.uiAutomation->typeText(trimmedText, trimmedField));
}

QCoro::Task<ComputerUseResult> focusField(ContextPointer context, QString name)
{
    co_return mapped(co_await context->ports.uiAutomation->focusField(name));
}

QCoro::Task<ComputerUseResult> pressKey(ContextPointer context, KeyboardKey key)
{
    co_return mapped(co_await context->ports.uiAutomation->pressKey(key));
}

} // namespace korvane::operations
