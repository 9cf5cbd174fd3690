// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AccessibleRole.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

namespace korvane {

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

    // Absent when the role cannot be read.
    virtual std::optional<AccessibleRole> role(const AccessibleElement& element) = 0;
    // Absent unless the element carries that text. A secure field's value is always absent.
    virtual std::optional<QString> text(const AccessibleElement& element, AccessibleText which) = 0;
    // Whether the element offers the action a click performs.
    virtual bool canPress(const AccessibleElement& element) = 0;
    // The children shown on screen, in order.
    virtual QList<AccessibleElement> children(const AccessibleElement& element) = 0;
    // Where the element is, in screen coordinates; absent when the desktop does not say.
    virtual std::optional<QRectF> frame(const AccessibleElement& element) = 0;

    // False when the element offers no click action or performing it failed.
    virtual bool press(const AccessibleElement& element) = 0;
    // Gives the element the keyboard focus; false when that failed.
    virtual bool focus(const AccessibleElement& element) = 0;
    // The element below `root` that holds the keyboard focus; null when none does.
    virtual AccessibleElement focusedElement(const AccessibleElement& root) = 0;
    // Inserts `text` at the caret of an editable text element, as typing there would; false
    // when the element is not editable or the insertion failed.
    virtual bool insertText(const AccessibleElement& element, const QString& text) = 0;
};

} // namespace korvane
