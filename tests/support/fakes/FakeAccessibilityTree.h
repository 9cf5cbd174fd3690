// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AccessibilityTree.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

namespace korvane::test {

// An in-memory accessibility tree built by a test. Elements are numbered in the order they
// were added; handles made for the same number are the same element even when the tree hands
// out a fresh handle on every read, as real backends do.
class FakeAccessibilityTree final : public AccessibilityTree {
public:
    struct Element {
        // Absent: the role cannot be read.
        std::optional<AccessibleRole> role{};
        // A text missing here is absent.
        QMap<AccessibleText, QString> texts{};
        bool pressable = false;
        // Whether pressing (when pressable) succeeds.
        bool pressSucceeds = true;
        std::optional<QRectF> frame{};
        QList<int> children{};
        // An editable text element holds `contents`; insertions go to its end.
        bool editable = false;
        QString contents{};
        bool hasFocus = false;
    };

    bool trusted = true;
    // Process id → the application's element number.
    QHash<qint64, int> applications{};

    // Read these once the awaited call has finished.
    int trustQueries = 0;
    int prompts = 0;
    QList<int> pressed{};
    QList<int> focused{};

    // Adds an element; an empty title is absent.
    int add(std::optional<AccessibleRole> role, const QString& title = {}, bool pressable = false);
    Element& element(int number) { return m_elements[number]; }
    void append(int parent, int child) { m_elements[parent].children.append(child); }
    qsizetype count() const { return m_elements.size(); }

    bool isTrusted(bool prompt) override;
    AccessibleElement applicationElement(qint64 processId) override;
    std::optional<AccessibleRole> role(const AccessibleElement& element) override;
    std::optional<QString> text(const AccessibleElement& element, AccessibleText which) override;
    bool canPress(const AccessibleElement& element) override;
    QList<AccessibleElement> children(const AccessibleElement& element) override;
    std::optional<QRectF> frame(const AccessibleElement& element) override;
    bool press(const AccessibleElement& element) override;
    bool focus(const AccessibleElement& element) override;
    AccessibleElement focusedElement(const AccessibleElement& root) override;
    bool insertText(const AccessibleElement& element, const QString& text) override;

private:
    // The number of a handle this tree made; -1 for anything else.
    int numberOf(const AccessibleElement& element) const;
    AccessibleElement handle(int number) const;
    Element* find(const AccessibleElement& element);

    QList<Element> m_elements;
};

} // namespace korvane::test
