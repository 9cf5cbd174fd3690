#include "fakes/FakeAccessibilityTree.h"

namespace korvane::test {

namespace {

class FakeNode final : public AccessibleNode {
public:
    FakeNode(const FakeAccessibilityTree* tree, int number)
        : tree(tree)
        , number(number)
    {
    }

    std::size_t identityHash() const override { return qHash(number); }
    bool sameElement(const AccessibleNode& other) const override
    {
        const auto* node = dynamic_cast<const FakeNode*>(&other);
        return node && node->tree == tree && node->number == number;
    }

    const FakeAccessibilityTree* tree;
    int number;
};

} // namespace

int FakeAccessibilityTree::add(const QString& role, const QString& title,
                               const QStringList& actions)
{
    Element element;
    if (!role.isEmpty())
        element.attributes.insert(QStringLiteral("AXRole"), role);
    if (!title.isEmpty())
        element.attributes.insert(QStringLiteral("AXTitle"), title);
    element.actions = actions;
    m_elements.append(element);
    return int(m_elements.size() - 1);
}

FakeAccessibilityTree::Element& FakeAccessibilityTree::element(int number)
{
    return m_elements[number];
}

void FakeAccessibilityTree::append(int parent, int child, const QString& attribute)
{
    m_elements[parent].children[attribute].append(child);
}

void FakeAccessibilityTree::setFrame(int number, QPointF position, QSizeF size)
{
    m_elements[number].position = position;
    m_elements[number].size = size;
}

int FakeAccessibilityTree::numberOf(const AccessibleElement& element) const
{
    const auto* node = dynamic_cast<const FakeNode*>(element.node());
    return node && node->tree == this ? node->number : -1;
}

AccessibleElement FakeAccessibilityTree::handle(int number) const
{
    return AccessibleElement(std::make_shared<FakeNode>(this, number));
}

const FakeAccessibilityTree::Element*
FakeAccessibilityTree::find(const AccessibleElement& element) const
{
    const int number = numberOf(element);
    return number >= 0 && number < m_elements.size() ? &m_elements[number] : nullptr;
}

bool FakeAccessibilityTree::isTrusted(bool prompt)
{
    ++trustQueries;
    if (prompt)
        ++prompts;
    return trusted;
}

AccessibleElement FakeAccessibilityTree::applicationElement(qint64 processId)
{
    const auto found = applications.constFind(processId);
    return found == applications.cend() ? AccessibleElement() : handle(*found);
}

std::optional<QString> FakeAccessibilityTree::stringAttribute(const AccessibleElement& element,
                                                              QStringView attribute)
{
    const Element* found = find(element);
    if (!found)
        return std::nullopt;
    const auto value = found->attributes.constFind(attribute.toString());
    if (value == found->attributes.cend())
        return std::nullopt;
    return *value;
}

QStringList FakeAccessibilityTree::actionNames(const AccessibleElement& element)
{
    const Element* found = find(element);
    return found ? found->actions : QStringList();
}

QList<AccessibleElement> FakeAccessibilityTree::children(const AccessibleElement& element,
                                                         QStringView attribute)
{
    QList<AccessibleElement> handles;
    const Element* found = find(element);
    if (!found)
        return handles;
    // A fresh handle per read: identity must come from the element, not the pointer.
    for (int child : found->children.value(attribute.toString()))
        handles.append(handle(child));
    return handles;
}

std::optional<QPointF> FakeAccessibilityTree::position(const AccessibleElement& element)
{
    const Element* found = find(element);
    return found ? found->position : std::nullopt;
}

std::optional<QSizeF> FakeAccessibilityTree::size(const AccessibleElement& element)
{
    const Element* found = find(element);
    return found ? found->size : std::nullopt;
}

bool FakeAccessibilityTree::performAction(const AccessibleElement& element, QStringView action)
{
    const Element* found = find(element);
    if (!found || !found->actions.contains(action))
        return false;
    performed.append(numberOf(element));
    return found->actionsSucceed;
}

bool FakeAccessibilityTree::setBooleanAttribute(const AccessibleElement& element,
                                                QStringView attribute, bool value)
{
    if (!find(element) || attribute != u"AXFocused" || !value)
        return false;
    focused.append(numberOf(element));
    return true;
}

} // namespace korvane::test
