#pragma once

#include "platform/AccessibilityTree.h"

#include <memory>

namespace korvane {

// The accessibility tree of AT-SPI 2: applications are the children of the desktop, matched to
// a window's owner by process id; AT-SPI roles, names and actions are answered in the AX
// vocabulary of the port. Only children that are both VISIBLE and SHOWING are returned.
// Every call blocks on D-Bus with a short time-out; make all of them, and drop every handle it
// gave out, on the automation thread.
class AtspiAccessibilityTree final : public AccessibilityTree {
public:
    AtspiAccessibilityTree();
    ~AtspiAccessibilityTree() override;
    Q_DISABLE_COPY_MOVE(AtspiAccessibilityTree)

    bool isTrusted(bool prompt) override;
    AccessibleElement applicationElement(qint64 processId) override;
    std::optional<QString> stringAttribute(const AccessibleElement& element,
                                           QStringView attribute) override;
    QStringList actionNames(const AccessibleElement& element) override;
    QList<AccessibleElement> children(const AccessibleElement& element,
                                      QStringView attribute) override;
    std::optional<QPointF> position(const AccessibleElement& element) override;
    std::optional<QSizeF> size(const AccessibleElement& element) override;
    bool performAction(const AccessibleElement& element, QStringView action) override;
    bool setBooleanAttribute(const AccessibleElement& element, QStringView attribute,
                             bool value) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane
