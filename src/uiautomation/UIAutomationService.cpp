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

enum class Operation { click, focus };

// Every awaited task below is named first: GCC 12 destroys the temporaries of a co_await
// expression twice.

// Asks for access on every call, so the desktop can turn it on when it is off.
QCoro::Task<bool> accessGranted(std::shared_ptr<AccessibilityTree> tree)
{
    auto checking = runOnAutomationThread([tree] { return tree->isTrusted(true); });
    co_return co_await checking;
}

QCoro::Task<UIAutomationResult> onFrontmost(Ports ports, QString name, Operation operation)
{
    auto checking = accessGranted(ports.tree);
    if (!co_await checking)
        co_return UIAutomationResult::accessibilityDenied();
    auto asking = ports.workspace->frontmostApplication();
    const std::optional<RunningApplication> frontmost = co_await asking;
    if (!frontmost)
        co_return UIAutomationResult::failed(QStringLiteral("No frontmost app is available."));
    auto operating =
        runOnAutomationThread([ports, name, operation, processId = frontmost->processId] {
            AccessibilityInspector inspector(*ports.tree, *ports.input);
            const AccessibleElement application = ports.tree->applicationElement(processId);
            return operation == Operation::click ? inspector.click(application, name)
                                                 : inspector.focus(application, name);
        });
    co_return co_await operating;
}

QCoro::Task<UIAutomationResult> focusOn(Ports ports, QString name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        co_return UIAutomationResult::failed(QStringLiteral("No field target provided."));
    auto focusing = onFrontmost(std::move(ports), trimmed, Operation::focus);
    co_return co_await focusing;
}

// Types on the automation thread; false when no input can be posted on this desktop.
QCoro::Task<bool> typed(std::shared_ptr<InputSynthesizer> input, QString text)
{
    auto typing = runOnAutomationThread([input, text] {
        if (!input->isAvailable())
            return false;
        UIAutomationService::postText(*input, text);
        return true;
    });
    co_return co_await typing;
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
    auto checking = accessGranted(ports.tree);
    if (!co_await checking)
        co_return QList<UIElementDescription>{};
    auto asking = ports.workspace->frontmostApplication();
    const std::optional<RunningApplication> frontmost = co_await asking;
    if (!frontmost)
        co_return QList<UIElementDescription>{};
    auto listing = runOnAutomationThread([ports, processId = frontmost->processId] {
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
    auto clicking = onFrontmost(ports, trimmed, Operation::click);
    co_return co_await clicking;
}

QCoro::Task<UIAutomationResult> UIAutomationService::focusField(QString name)
{
    const Ports ports{m_tree, m_input, m_workspace};
    auto focusing = focusOn(ports, std::move(name));
    co_return co_await focusing;
}

QCoro::Task<UIAutomationResult> UIAutomationService::pressKey(KeyboardKey key)
{
    const std::shared_ptr<AccessibilityTree> tree = m_tree;
    const std::shared_ptr<InputSynthesizer> input = m_input;
    auto checking = accessGranted(tree);
    if (!co_await checking)
        co_return UIAutomationResult::accessibilityDenied();
    if (!key.keyCode)
        co_return UIAutomationResult::failed(QStringLiteral("Could not press ") + key.displayName +
                                             u'.');
    auto pressing = runOnAutomationThread([input, code = *key.keyCode, flags = key.modifiers] {
        if (!input->isAvailable())
            return false;
        input->postKey(code, flags);
        return true;
    });
    const bool pressed = co_await pressing;
    // A key that could not be posted was not pressed, whatever the tree said.
    co_return pressed
        ? UIAutomationResult::succeeded(QStringLiteral("Pressed ") + key.displayName + u'.')
        : UIAutomationResult::failed(QStringLiteral("Could not press ") + key.displayName + u'.');
}

QCoro::Task<UIAutomationResult> UIAutomationService::typeText(QString text)
{
    const std::shared_ptr<AccessibilityTree> tree = m_tree;
    const std::shared_ptr<InputSynthesizer> input = m_input;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        co_return UIAutomationResult::failed(QStringLiteral("No text provided."));
    auto checking = accessGranted(tree);
    if (!co_await checking)
        co_return UIAutomationResult::accessibilityDenied();
    auto typing = typed(input, trimmed);
    if (!co_await typing)
        co_return UIAutomationResult::failed(QStringLiteral("Could not type text."));
    co_return UIAutomationResult::succeeded(QStringLiteral("Typed text."));
}

QCoro::Task<UIAutomationResult> UIAutomationService::typeText(QString text, QString field)
{
    const Ports ports{m_tree, m_input, m_workspace};
    auto focusing = focusOn(ports, field);
    const UIAutomationResult focused = co_await focusing;
    if (focused.outcome != UIAutomationResult::Outcome::succeeded)
        co_return focused;
    // Into a field the text goes as it is, spaces included.
    auto typing = typed(ports.input, text);
    if (!co_await typing)
        co_return UIAutomationResult::failed(QStringLiteral("Could not type text into ") + field +
                                             u'.');
    co_return UIAutomationResult::succeeded(QStringLiteral("Typed text into ") + field + u'.');
}

void UIAutomationService::postText(InputSynthesizer& input, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            input.postUnicode(text.sliced(i, 2).toString());
            ++i;
        } else if (!unit.isSurrogate()) {
            input.postUnicode(QString(unit));
        }
    }
}

} // namespace korvane
