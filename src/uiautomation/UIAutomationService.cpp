// SPDX-License-Identifier: GPL-3.0-or-later
#include "uiautomation/UIAutomationService.h"

#include "platform/AccessibilityTree.h"
#include "platform/AutomationThread.h"
#include "platform/InputSynthesizer.h"
#include "platform/Workspace.h"
#include "uiautomation/AccessibilityInspector.h"

#include <qcoro/qcorofuture.h>

namespace korvane {

namespace {

// The ports one call works with, copied out of the service before its first suspension so a
// call in flight never reaches back into the service.
struct Ports {
    std::shared_ptr<AccessibilityTree> tree{};
    std::shared_ptr<InputSynthesizer> input{};
    std::shared_ptr<Workspace> workspace{};
};

// Every awaited task below is named first: GCC 12 destroys the temporaries of a co_await
// expression twice.

// Asks for access on every call, so the desktop can turn it on when it is off.
QCoro::Task<bool> accessGranted(std::shared_ptr<AccessibilityTree> tree)
{
    auto checking = runOnAutomationThread([tree] { return tree->isTrusted(true); });
    co_return co_await checking;
}

// The frontmost application's process id once access is granted, or the result to answer
// when there is nothing to work on.
struct Frontmost {
    qint64 processId = 0;
    std::optional<UIAutomationResult> refusal{};
};

QCoro::Task<Frontmost> frontmostOnceGranted(Ports ports)
{
    auto checking = accessGranted(ports.tree);
    if (!co_await checking)
        co_return Frontmost{0, UIAutomationResult::accessibilityDenied()};
    auto asking = ports.workspace->frontmostApplication();
    const std::optional<RunningApplication> frontmost = co_await asking;
    if (!frontmost)
        co_return Frontmost{
            0, UIAutomationResult::failed(QStringLiteral("No frontmost app is available."))};
    co_return Frontmost{frontmost->processId, std::nullopt};
}

// How a text entry that did not go through reads.
UIAutomationResult entryFailure(const QString& why, const QString& fallback)
{
    return UIAutomationResult::failed(why.isEmpty() ? fallback : why);
}

QCoro::Task<UIAutomationResult> focusAndEnter(Ports ports, QString name,
                                              std::optional<QString> text)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        co_return UIAutomationResult::failed(QStringLiteral("No field target provided."));
    auto finding = frontmostOnceGranted(ports);
    const Frontmost frontmost = co_await finding;
    if (frontmost.refusal)
        co_return *frontmost.refusal;
    auto focusing = runOnAutomationThread([ports, trimmed, name, text, frontmost] {
        AccessibilityInspector inspector(*ports.tree, *ports.input);
        const AccessibleElement field =
            inspector.focus(ports.tree->applicationElement(frontmost.processId), trimmed);
        if (field.isNull())
            return UIAutomationResult::failed(QStringLiteral("Could not find ") + trimmed +
                                              QStringLiteral(" field on screen."));
        if (!text)
            return UIAutomationResult::succeeded(QStringLiteral("Focused ") + trimmed + u'.');
        // Into a field the text goes as it is, spaces included.
        if (const Outcome entered = inspector.enterText(field, *text); !entered)
            return entryFailure(entered.error(),
                                QStringLiteral("Could not type text into ") + name + u'.');
        return UIAutomationResult::succeeded(QStringLiteral("Typed text into ") + name + u'.');
    });
    co_return co_await focusing;
}

} // namespace

UIAutomationService::UIAutomationService(std::shared_ptr<AccessibilityTree> tree,
                                         std::shared_ptr<InputSynthesizer> input,
                                         std::shared_ptr<Workspace> workspace)
    : m_tree(std::move(tree))
    , m_input(std::move(input))
    , m_workspace(std::move(workspace))
{
}

UIAutomationService::~UIAutomationService() = default;

QCoro::Task<QList<UIElementDescription>> UIAutomationService::getVisibleElements()
{
    const Ports ports{m_tree, m_input, m_workspace};
    auto finding = frontmostOnceGranted(ports);
    const Frontmost frontmost = co_await finding;
    if (frontmost.refusal)
        co_return QList<UIElementDescription>{};
    auto listing = runOnAutomationThread([ports, processId = frontmost.processId] {
        AccessibilityInspector inspector(*ports.tree, *ports.input);
        return inspector.visibleElements(ports.tree->applicationElement(processId));
    });
    co_return co_await listing;
}

QCoro::Task<UIAutomationResult> UIAutomationService::clickVisibleElement(QString name)
{
    const Ports ports{m_tree, m_input, m_workspace};
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        co_return UIAutomationResult::failed(QStringLiteral("No click target provided."));
    auto finding = frontmostOnceGranted(ports);
    const Frontmost frontmost = co_await finding;
    if (frontmost.refusal)
        co_return *frontmost.refusal;
    auto clicking = runOnAutomationThread([ports, trimmed, processId = frontmost.processId] {
        AccessibilityInspector inspector(*ports.tree, *ports.input);
        return inspector.click(ports.tree->applicationElement(processId), trimmed);
    });
    co_return co_await clicking;
}

QCoro::Task<UIAutomationResult> UIAutomationService::focusField(QString name)
{
    const Ports ports{m_tree, m_input, m_workspace};
    auto focusing = focusAndEnter(ports, std::move(name), std::nullopt);
    co_return co_await focusing;
}

QCoro::Task<UIAutomationResult> UIAutomationService::pressKey(KeyboardKey key)
{
    const std::shared_ptr<AccessibilityTree> tree = m_tree;
    const std::shared_ptr<InputSynthesizer> input = m_input;
    auto checking = accessGranted(tree);
    if (!co_await checking)
        co_return UIAutomationResult::accessibilityDenied();
    const QString notPressed = QStringLiteral("Could not press ") + key.displayName + u'.';
    const std::optional<Qt::Key> pressed = key.key();
    if (!pressed)
        co_return UIAutomationResult::failed(notPressed);
    auto pressing =
        runOnAutomationThread([input, pressed, held = key.keyboardModifiers(), notPressed] {
            if (const Outcome ready = input->prepare(); !ready)
                return UIAutomationResult::failed(ready.error());
            // A key that could not be posted was not pressed, whatever the tree said.
            if (!input->postKey(*pressed, held))
                return UIAutomationResult::failed(notPressed);
            return UIAutomationResult::succeeded({});
        });
    UIAutomationResult result = co_await pressing;
    if (result.outcome == UIAutomationResult::Outcome::succeeded)
        result.message = QStringLiteral("Pressed ") + key.displayName + u'.';
    co_return result;
}

QCoro::Task<UIAutomationResult> UIAutomationService::typeText(QString text)
{
    const Ports ports{m_tree, m_input, m_workspace};
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        co_return UIAutomationResult::failed(QStringLiteral("No text provided."));
    auto checking = accessGranted(ports.tree);
    if (!co_await checking)
        co_return UIAutomationResult::accessibilityDenied();
    // Without a frontmost application the keys go wherever the keyboard focus is.
    auto asking = ports.workspace->frontmostApplication();
    const std::optional<RunningApplication> frontmost = co_await asking;
    auto typing = runOnAutomationThread(
        [ports, trimmed, processId = frontmost ? frontmost->processId : qint64(0)] {
            AccessibilityInspector inspector(*ports.tree, *ports.input);
            AccessibleElement focused;
            if (processId > 0)
                focused = ports.tree->focusedElement(ports.tree->applicationElement(processId));
            if (const Outcome entered = inspector.enterText(focused, trimmed); !entered)
                return entryFailure(entered.error(), QStringLiteral("Could not type text."));
            return UIAutomationResult::succeeded(QStringLiteral("Typed text."));
        });
    co_return co_await typing;
}

QCoro::Task<UIAutomationResult> UIAutomationService::typeText(QString text, QString field)
{
    const Ports ports{m_tree, m_input, m_workspace};
    auto entering = focusAndEnter(ports, std::move(field), std::move(text));
    co_return co_await entering;
}

bool UIAutomationService::postText(InputSynthesizer& input, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        bool posted = true;
        if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            posted = input.postUnicode(text.sliced(i, 2).toString());
            ++i;
        } else if (!unit.isSurrogate()) {
            posted = input.postUnicode(QString(unit));
        }
        if (!posted)
            return false;
    }
    return true;
}

} // namespace korvane
