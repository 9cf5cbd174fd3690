// SPDX-License-Identifier: GPL-3.0-or-later
#include "uiautomation/AccessibilityInspector.h"

#include "platform/InputSynthesizer.h"
#include "uiautomation/RoleNames.h"
#include "uiautomation/UIAutomationService.h"

#include <QQueue>
#include <QSet>

#include <algorithm>

namespace korvane {

namespace {

constexpr AccessibleText textsInOrder[] = {AccessibleText::title,       AccessibleText::description,
                                           AccessibleText::value,       AccessibleText::help,
                                           AccessibleText::placeholder, AccessibleText::identifier};

std::optional<QString> nonEmpty(std::optional<QString> text)
{
    if (text && text->isEmpty())
        return std::nullopt;
    return text;
}

struct Candidate {
    AccessibleElement element{};
    int score = 0;
};

bool isKeyOnly(QChar character)
{
    return character == u'\n' || character == u'\r' || character == u'\t';
}

} // namespace

AccessibilityInspector::AccessibilityInspector(AccessibilityTree& tree, InputSynthesizer& input)
    : m_tree(tree)
    , m_input(input)
{
}

std::optional<QPointF> AccessibilityInspector::centerPoint(const AccessibleElement& element)
{
    const std::optional<QRectF> frame = m_tree.frame(element);
    if (!frame)
        return std::nullopt;
    return frame->center();
}

std::optional<int> AccessibilityInspector::score(const AccessibleElement& element,
                                                 QStringView normalizedTarget,
                                                 ElementPurpose purpose)
{
    // Each read may be a round trip to another process: the cheap refusals come first, and the
    // frame is read only for an element that is a candidate already.
    ElementTraits traits;
    bool anyText = false;
    for (AccessibleText which : textsInOrder) {
        if (std::optional<QString> text = m_tree.text(element, which)) {
            anyText = anyText || !ElementMatcher::normalized(*text).isEmpty();
            traits.texts.append(std::move(*text));
        }
    }
    if (!anyText)
        return std::nullopt;
    traits.role = m_tree.role(element).value_or(AccessibleRole::unknown);
    traits.canPress = m_tree.canPress(element);
    const std::optional<int> withoutCenter =
        ElementMatcher::score(traits, normalizedTarget, purpose);
    if (!withoutCenter)
        return std::nullopt;
    traits.hasCenterPoint = centerPoint(element).has_value();
    return ElementMatcher::score(traits, normalizedTarget, purpose);
}

QList<UIElementDescription>
AccessibilityInspector::visibleElements(const AccessibleElement& application)
{
    QList<UIElementDescription> listed;
    if (application.isNull())
        return listed;
    QQueue<AccessibleElement> queue;
    QSet<AccessibleElement> visited;
    queue.enqueue(application);
    int taken = 0;
    while (!queue.isEmpty() && taken < listingLimit) {
        const AccessibleElement element = queue.dequeue();
        ++taken;
        if (visited.contains(element))
            continue;
        visited.insert(element);

        const std::optional<AccessibleRole> role = m_tree.role(element);
        const AccessibleRole known = role.value_or(AccessibleRole::unknown);
        // The role answers for most elements; the actions are read only when it does not.
        const bool qualifies = ElementMatcher::isTextInput(known) ||
                               ElementMatcher::isClickable(known) ||
                               ElementMatcher::isContentRole(known) || m_tree.canPress(element);
        if (qualifies) {
            const std::optional<QString> description =
                nonEmpty(m_tree.text(element, AccessibleText::description));
            QString name = m_tree.text(element, AccessibleText::title).value_or(QString());
            if (name.isEmpty())
                name = description.value_or(QString());
            if (name.isEmpty())
                name = m_tree.text(element, AccessibleText::identifier).value_or(QString());
            if (!name.isEmpty()) {
                listed.append({role ? RoleNames::role(*role) : QString(),
                               role ? RoleNames::subrole(*role) : QString(), name, description,
                               nonEmpty(m_tree.text(element, AccessibleText::value))});
            }
        }
        queue.append(m_tree.children(element));
    }
    return listed;
}

AccessibleElement AccessibilityInspector::findElement(QStringView name,
                                                      const AccessibleElement& root,
                                                      ElementPurpose purpose)
{
    if (root.isNull())
        return {};
    const QString target = ElementMatcher::normalized(name);
    QList<Candidate> candidates;
    QQueue<AccessibleElement> queue;
    QSet<AccessibleElement> visited;
    queue.enqueue(root);
    while (!queue.isEmpty()) {
        const AccessibleElement element = queue.dequeue();
        if (visited.contains(element))
            continue;
        visited.insert(element);
        if (const std::optional<int> found = score(element, target, purpose))
            candidates.append({element, *found});
        queue.append(m_tree.children(element));
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    return candidates.isEmpty() ? AccessibleElement() : candidates.first().element;
}

UIAutomationResult AccessibilityInspector::click(const AccessibleElement& application,
                                                 const QString& name)
{
    const AccessibleElement element = findElement(name, application, ElementPurpose::click);
    if (element.isNull())
        return UIAutomationResult::failed(QStringLiteral("Could not find ") + name +
                                          QStringLiteral(" on screen."));
    const QString clicked = QStringLiteral("Clicked ") + name + u'.';
    if (m_tree.press(element))
        return UIAutomationResult::succeeded(clicked);
    // A click that cannot be posted has not happened: say so rather than report success.
    const std::optional<QPointF> center = centerPoint(element);
    if (center && m_input.prepare() && m_input.postClick(*center))
        return UIAutomationResult::succeeded(clicked);
    return UIAutomationResult::failed(QStringLiteral("Could not click ") + name + u'.');
}

AccessibleElement AccessibilityInspector::focus(const AccessibleElement& application,
                                                const QString& name)
{
    const AccessibleElement element = findElement(name, application, ElementPurpose::focus);
    if (element.isNull())
        return {};
    (void)m_tree.focus(element);
    if (const std::optional<QPointF> center = centerPoint(element); center && m_input.prepare())
        (void)m_input.postClick(*center);
    return element;
}

Outcome AccessibilityInspector::typeKeys(QStringView text)
{
    if (Outcome ready = m_input.prepare(); !ready)
        return ready;
    if (!UIAutomationService::postText(m_input, text))
        return Outcome::failure({});
    return Outcome::success();
}

Outcome AccessibilityInspector::enterText(const AccessibleElement& target, QStringView text)
{
    // Runs of ordinary characters, each followed by the line breaks and tabs after it.
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !isKeyOnly(text[end]))
            ++end;
        const QStringView run = text.sliced(start, end - start);
        if (!run.isEmpty() && (target.isNull() || !m_tree.insertText(target, run.toString()))) {
            if (Outcome typed = typeKeys(run); !typed)
                return typed;
        }
        qsizetype keysEnd = end;
        while (keysEnd < text.size() && isKeyOnly(text[keysEnd]))
            ++keysEnd;
        if (keysEnd > end) {
            if (Outcome typed = typeKeys(text.sliced(end, keysEnd - end)); !typed)
                return typed;
        }
        start = keysEnd;
    }
    return Outcome::success();
}

} // namespace korvane
