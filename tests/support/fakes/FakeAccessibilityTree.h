#pragma once

#include "platform/AccessibilityTree.h"

#include <QHash>
#include <QList>
#include <QString>

namespace korvane::test {

// An in-memory accessibility tree built by a test. Elements are numbered in the order they
// were added; handles made for the same number are the same element even when the tree hands
// out a fresh handle on every read, as real backends do.
class FakeAccessibilityTree final : public AccessibilityTree {
public:
    struct Element {
        // "AXRole", "AXTitle", ... → text. An attribute that is missing here is absent.
        QHash<QString, QString> attributes{};
        QStringList actions{};
        std::optional<QPointF> position{};
        std::optional<QSizeF> size{};
        // Child attribute ("AXChildren", "AXTabs", ...) → element numbers, in order.
        QHash<QString, QList<int>> children{};
        // Whether performing an action it lists succeeds.
        bool actionsSucceed = true;
    };

    bool trusted = true;
    // Process id → the application's element number.
    QHash<qint64, int> applications{};

    // Recorded on the automation thread; read them once the awaited call has finished.
    int trustQueries = 0;
    int prompts = 0;
    QList<int> performed{};
    QList<int> focused{};

    // Adds an element; role and title may be empty (then they are absent).
    int add(const QString& role, const QString& title = {}, const QStringList& actions = {});
    Element& element(int number);
    // Appends `child` under `attribute` of `parent`.
    void append(int parent, int child, const QString& attribute = QStringLiteral("AXChildren"));
    void setFrame(int number, QPointF position, QSizeF size);
    // The number of a handle this tree made; -1 for anything else.
    int numberOf(const AccessibleElement& element) const;
    AccessibleElement handle(int number) const;
    qsizetype count() const { return m_elements.size(); }

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
    const Element* find(const AccessibleElement& element) const;

    QList<Element> m_elements;
};

} // namespace korvane::test
