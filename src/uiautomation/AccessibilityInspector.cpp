#include "uiautomation/AccessibilityInspector.h"

#include "platform/InputSynthesizer.h"

#include <QQueue>
#include <QSet>

#include <algorithm>

namespace korvane {

namespace {

constexpr QStringView childAttributes[] = {ax::children, ax::visibleChildren, ax::tabs, ax::rows,
                                           ax::columns};
constexpr QStringView textAttributes[] = {ax::title, ax::description,      ax::value,
                                          ax::help,  ax::placeholderValue, ax::identifier};

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

} // namespace

AccessibilityInspector::AccessibilityInspector(AccessibilityTree& tree, InputSynthesizer& input)
    : m_tree(tree)
    , m_input(input)
{
}

QString AccessibilityInspector::stringOrEmpty(const AccessibleElement& element,
                                              QStringView attribute)
{
    return m_tree.stringAttribute(element, attribute).value_or(QString());
}

QList<AccessibleElement> AccessibilityInspector::children(const AccessibleElement& element)
{
    QList<AccessibleElement> all;
    for (QStringView attribute : childAttributes)
        all.append(m_tree.children(element, attribute));
    return all;
}

std::optional<QPointF> AccessibilityInspector::centerPoint(const AccessibleElement& element)
{
    const std::optional<QPointF> position = m_tree.position(element);
    if (!position)
        return std::nullopt;
    const std::optional<QSizeF> size = m_tree.size(element);
    if (!size)
        return std::nullopt;
    return QPointF(position->x() + size->width() / 2, position->y() + size->height() / 2);
}

std::optional<int> AccessibilityInspector::score(const AccessibleElement& element,
                                                 QStringView normalizedTarget,
                                                 ElementPurpose purpose)
{
    // Each read may be a round trip to another process: the cheap refusals come first, and the
    // frame is read only for an element that is a candidate already.
    ElementTraits traits;
    bool anyText = false;
    for (QStringView attribute : textAttributes) {
        if (std::optional<QString> text = m_tree.stringAttribute(element, attribute)) {
            anyText = anyText || !ElementMatcher::normalized(*text).isEmpty();
            traits.texts.append(std::move(*text));
        }
    }
    if (!anyText)
        return std::nullopt;
    traits.role = stringOrEmpty(element, ax::role);
    traits.subrole = stringOrEmpty(element, ax::subrole);
    traits.canPress = m_tree.actionNames(element).contains(ax::press);
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

        const QString role = stringOrEmpty(element, ax::role);
        const QString subrole = stringOrEmpty(element, ax::subrole);
        // The role answers for most elements; the actions are read only when it does not.
        const bool qualifies = ElementMatcher::isTextInput(role, subrole) ||
                               ElementMatcher::isClickable(role, subrole) ||
                               ElementMatcher::isContentRole(role) ||
                               m_tree.actionNames(element).contains(ax::press);
        if (qualifies) {
            const std::optional<QString> description =
                nonEmpty(m_tree.stringAttribute(element, ax::description));
            QString name = stringOrEmpty(element, ax::title);
            if (name.isEmpty())
                name = description.value_or(QString());
            if (name.isEmpty())
                name = stringOrEmpty(element, ax::identifier);
            if (!name.isEmpty()) {
                listed.append({role, subrole, name, description,
                               nonEmpty(m_tree.stringAttribute(element, ax::value))});
            }
        }
        queue.append(children(element));
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
        queue.append(children(element));
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
    if (m_tree.performAction(element, ax::press))
        return UIAutomationResult::succeeded(clicked);
    // A click that cannot be posted has not happened: say so rather than report success.
    const std::optional<QPointF> center = centerPoint(element);
    if (center && m_input.isAvailable()) {
        m_input.postClick(*center);
        return UIAutomationResult::succeeded(clicked);
    }
    return UIAutomationResult::failed(QStringLiteral("Could not click ") + name + u'.');
}

UIAutomationResult AccessibilityInspector::focus(const AccessibleElement& application,
                                                 const QString& name)
{
    const AccessibleElement element = findElement(name, application, ElementPurpose::focus);
    if (element.isNull())
        return UIAutomationResult::failed(QStringLiteral("Could not find ") + name +
                                          QStringLiteral(" field on screen."));
    (void)m_tree.setBooleanAttribute(element, ax::focused, true);
    if (const std::optional<QPointF> center = centerPoint(element); center && m_input.isAvailable())
        m_input.postClick(*center);
    return UIAutomationResult::succeeded(QStringLiteral("Focused ") + name + u'.');
}

} // namespace korvane
