// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"
#include "platform/AccessibilityTree.h"
#include "uiautomation/ElementMatcher.h"
#include "uiautomation/UIAutomationResult.h"
#include "uiautomation/UIElementDescription.h"

#include <QList>
#include <QPointF>
#include <QString>

#include <optional>

namespace korvane {

class InputSynthesizer;

// The blocking walks over one application's accessibility tree: listing, element search,
// pressing, focusing and entering text. Runs on the automation thread; holds references only
// for one call.
class AccessibilityInspector final {
public:
    // The listing stops after this many elements taken from the queue.
    static constexpr int listingLimit = 1500;

    AccessibilityInspector(AccessibilityTree& tree, InputSynthesizer& input);

    // The qualifying, named elements breadth-first from `application`; a null root has none.
    QList<UIElementDescription> visibleElements(const AccessibleElement& application);
    // The best candidate under `root` for `name`, or a null element.
    AccessibleElement findElement(QStringView name, const AccessibleElement& root,
                                  ElementPurpose purpose);
    // `name` is already trimmed and non-empty.
    UIAutomationResult click(const AccessibleElement& application, const QString& name);
    // Focuses the best field for `name` (and clicks it where its place is known); the field,
    // or null when none matched.
    AccessibleElement focus(const AccessibleElement& application, const QString& name);
    // Enters `text` into `target` (null: wherever the keyboard focus is). Runs of characters
    // go through the element's editable text when it has one, as keys otherwise; line breaks
    // and tabs are always their keys. Fails with why not (an empty sentence when it could not
    // be posted).
    Outcome enterText(const AccessibleElement& target, QStringView text);

    std::optional<QPointF> centerPoint(const AccessibleElement& element);

private:
    std::optional<int> score(const AccessibleElement& element, QStringView normalizedTarget,
                             ElementPurpose purpose);
    // Posts keys for `text`.
    Outcome typeKeys(QStringView text);

    AccessibilityTree& m_tree;
    InputSynthesizer& m_input;
};

} // namespace korvane
