#pragma once

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
// pressing and focusing. Runs on the automation thread; holds references only for one call.
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
    UIAutomationResult focus(const AccessibleElement& application, const QString& name);

    // The children under every child attribute, in table order; repeats are kept.
    QList<AccessibleElement> children(const AccessibleElement& element);
    std::optional<QPointF> centerPoint(const AccessibleElement& element);

private:
    std::optional<int> score(const AccessibleElement& element, QStringView normalizedTarget,
                             ElementPurpose purpose);
    QString stringOrEmpty(const AccessibleElement& element, QStringView attribute);

    AccessibilityTree& m_tree;
    InputSynthesizer& m_input;
};

} // namespace korvane
