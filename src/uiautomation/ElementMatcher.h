// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AccessibleRole.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace korvane {

// What an element is being looked for: something to press, or a text field to focus.
enum class ElementPurpose { click, focus };

// What scoring needs to know about one element, read from the tree beforehand.
struct ElementTraits {
    // The element's text attributes in table order, as read (not yet normalized).
    QStringList texts{};
    AccessibleRole role = AccessibleRole::unknown;
    bool canPress = false;
    bool hasCenterPoint = false;

    friend bool operator==(const ElementTraits&, const ElementTraits&) = default;
};

// The role tables, name normalization and candidate scoring, apart from any tree.
class ElementMatcher final {
public:
    static bool isTextInput(AccessibleRole role);
    static bool isClickable(AccessibleRole role);
    static bool isContentRole(AccessibleRole role);

    // Lower case, letters, numbers and white space only, single spaces: "Sign-In" → "signin".
    static QString normalized(QStringView text);
    // The best strength (100, 80, 60, 40 or 0) of any normalized text against the target.
    static int matchStrength(const QStringList& normalizedTexts, QStringView normalizedTarget);
    // The element's score for an already normalized target; absent when it is no candidate.
    static std::optional<int> score(const ElementTraits& element, QStringView normalizedTarget,
                                    ElementPurpose purpose);
};

} // namespace korvane
