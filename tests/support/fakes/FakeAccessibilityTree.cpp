// SPDX-License-Identifier: GPL-3.0-or-later
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

int FakeAccessibilityTree::add(std::optional<AccessibleRole> role, const QString& title,
                               bool pressable)
{
    Element element;
    element.role = role;
    if (!title.isEmpty())
        element.texts.insert(AccessibleText::title, title);
    element.pressable = pressable;
    m_elements.append(element);
    return int(m_elements.size() - 1);
}

AccessibleElement FakeAccessibilityTree::handle(int number) const
{
    return AccessibleElement(std::make_shared<FakeNode>(this, number));
}

int FakeAccessibilityTree::numberOf(const AccessibleElement& element) const
{
    const auto* node = dynamic_cast<const FakeNode*>(element.node());
    return node && node->tree == this ? node->number : -1;
}

FakeAccessibilityTree::Element* FakeAccessibilityTree::find(const AccessibleElement& element)
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

std::optional<AccessibleRole> FakeAccessibilityTree::role(const AccessibleElement& element)
{
    const Element* found = find(element);
    return found ? found->role : std::nullopt;
}

std::optional<QString> FakeAccessibilityTree::text(const AccessibleElement& element,
                                                   AccessibleText which)
{
    const Element* found = find(element);
    if (!found)
        return std::nullopt;
    if (which == AccessibleText::value && found->editable)
        return found->contents;
    const auto value = found->texts.constFind(which);
    return value == found->texts.cend() ? std::nullopt : std::optional<QString>(*value);
}

bool FakeAccessibilityTree::canPress(const AccessibleElement& element)
{
    const Element* found = find(element);
    return found && found->pressable;
}

QList<AccessibleElement> FakeAccessibilityTree::children(const AccessibleElement& element)
{
    QList<AccessibleElement> handles;
    if (const Element* found = find(element)) {
        // A fresh handle per read: identity must come from the element, not the pointer.
        for (int child : found->children)
            handles.append(handle(child));
    }
    return handles;
}

std::optional<QRectF> FakeAccessibilityTree::frame(const AccessibleElement& element)
{
    const Element* found = find(element);
    return found ? found->frame : std::nullopt;
}

bool FakeAccessibilityTree::press(const AccessibleElement& element)
{
    const Element* found = find(element);
    if (!found || !found->pressable)
        return false;
    pressed.append(numberOf(element));
    return found->pressSucceeds;
}

bool FakeAccessibilityTree::focus(const AccessibleElement& element)
{
    Element* found = find(element);
    if (!found)
        return false;
    for (Element& other : m_elements)
        other.hasFocus = false;
    found->hasFocus = true;
    focused.append(numberOf(element));
    return true;
}

// One tree per test: the focused element is the one with the focus anywhere in it.
AccessibleElement FakeAccessibilityTree::focusedElement(const AccessibleElement&)
{
    for (qsizetype number = 0; number < m_elements.size(); ++number) {
        if (m_elements[number].hasFocus)
            return handle(int(number));
    }
    return {};
}

bool FakeAccessibilityTree::insertText(const AccessibleElement& element, const QString& text)
{
    Element* found = find(element);
    if (!found || !found->editable)
        return false;
    found->contents += text;
    return true;
}

} // namespace korvane::test
