#pragma once

#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#include <memory>
#include <optional>

namespace korvane {

// The attribute and action names the accessibility algorithms speak; backends map their
// toolkit's vocabulary onto these.
namespace ax {
inline constexpr QStringView role = u"AXRole";
inline constexpr QStringView subrole = u"AXSubrole";
inline constexpr QStringView title = u"AXTitle";
inline constexpr QStringView description = u"AXDescription";
inline constexpr QStringView value = u"AXValue";
inline constexpr QStringView help = u"AXHelp";
inline constexpr QStringView placeholderValue = u"AXPlaceholderValue";
inline constexpr QStringView identifier = u"AXIdentifier";
inline constexpr QStringView children = u"AXChildren";
inline constexpr QStringView visibleChildren = u"AXVisibleChildren";
inline constexpr QStringView tabs = u"AXTabs";
inline constexpr QStringView rows = u"AXRows";
inline constexpr QStringView columns = u"AXColumns";
inline constexpr QStringView focused = u"AXFocused";
inline constexpr QStringView press = u"AXPress";
} // namespace ax

// One node of a backend's tree. Backends derive from it; two nodes are the same element when
// `sameElement` says so, and then their hashes agree.
class AccessibleNode {
public:
    virtual ~AccessibleNode() = default;
    virtual std::size_t identityHash() const = 0;
    virtual bool sameElement(const AccessibleNode& other) const = 0;
};

// An opaque handle to one element, hashable by identity so traversals can keep a visited set.
class AccessibleElement final {
public:
    AccessibleElement() = default;
    explicit AccessibleElement(std::shared_ptr<const AccessibleNode> node)
        : m_node(std::move(node))
    {
    }

    bool isNull() const { return !m_node; }
    const AccessibleNode* node() const { return m_node.get(); }

    friend bool operator==(const AccessibleElement& a, const AccessibleElement& b)
    {
        if (!a.m_node || !b.m_node)
            return a.m_node == b.m_node;
        return a.m_node == b.m_node || a.m_node->sameElement(*b.m_node);
    }
    friend std::size_t qHash(const AccessibleElement& element, std::size_t seed = 0)
    {
        return element.m_node ? element.m_node->identityHash() ^ seed : seed;
    }

private:
    std::shared_ptr<const AccessibleNode> m_node;
};

// The desktop's accessibility interface. Synchronous and blocking: call it on the automation
// thread only. A read that fails answers as absent; nothing throws.
class AccessibilityTree {
public:
    virtual ~AccessibilityTree() = default;

    // Whether this process may read other applications' trees. With `prompt`, first asks the
    // desktop to grant it (on AT-SPI: to switch accessibility on).
    virtual bool isTrusted(bool prompt) = 0;
    // The element of the application with that process id; null when it exposes none.
    virtual AccessibleElement applicationElement(qint64 processId) = 0;

    // A text attribute ("AXTitle", "AXValue", ...); absent unless it exists and holds text.
    virtual std::optional<QString> stringAttribute(const AccessibleElement& element,
                                                   QStringView attribute) = 0;
    virtual QStringList actionNames(const AccessibleElement& element) = 0;
    // The elements under one child attribute ("AXChildren", "AXTabs", ...); empty when the
    // attribute is absent or holds no element array.
    virtual QList<AccessibleElement> children(const AccessibleElement& element,
                                              QStringView attribute) = 0;
    // "AXPosition" and "AXSize", in screen coordinates.
    virtual std::optional<QPointF> position(const AccessibleElement& element) = 0;
    virtual std::optional<QSizeF> size(const AccessibleElement& element) = 0;

    // False when the element does not support the action or performing it failed.
    virtual bool performAction(const AccessibleElement& element, QStringView action) = 0;
    // Writes a boolean attribute ("AXFocused"); false when the write failed.
    virtual bool setBooleanAttribute(const AccessibleElement& element, QStringView attribute,
                                     bool value) = 0;
};

} // namespace korvane
