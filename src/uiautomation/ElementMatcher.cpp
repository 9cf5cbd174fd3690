// SPDX-License-Identifier: GPL-3.0-or-later
#include "uiautomation/ElementMatcher.h"

#include <algorithm>

namespace korvane {

namespace {

using enum AccessibleRole;

constexpr AccessibleRole textInputRoles[] = {textField, secureTextField, searchField, textArea,
                                             comboBox};
constexpr AccessibleRole clickableRoles[] = {button,      closeButton, menuItem, checkBox,
                                             radioButton, popUpButton, tabGroup, link};
constexpr AccessibleRole contentRoles[] = {staticText, row, cell, group};

template <std::size_t N>
bool contains(const AccessibleRole (&table)[N], AccessibleRole role)
{
    return std::find(std::begin(table), std::end(table), role) != std::end(table);
}

bool isMark(char32_t codePoint)
{
    switch (QChar::category(codePoint)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

int strength(QStringView text, QStringView target)
{
    if (text == target)
        return 100;
    if (text.startsWith(target))
        return 80;
    if (text.contains(target))
        return 60;
    if (target.contains(text) && text.size() > 2)
        return 40;
    return 0;
}

} // namespace

bool ElementMatcher::isTextInput(AccessibleRole role)
{
    return contains(textInputRoles, role);
}

bool ElementMatcher::isClickable(AccessibleRole role)
{
    return contains(clickableRoles, role);
}

bool ElementMatcher::isContentRole(AccessibleRole role)
{
    return contains(contentRoles, role);
}

QString ElementMatcher::normalized(QStringView text)
{
    const QString lower = text.toString().toLower();
    QString result;
    result.reserve(lower.size());
    bool pendingSpace = false;
    // A combining mark stays with the letter or number it belongs to, as one character would.
    bool previousKept = false;
    for (qsizetype i = 0; i < lower.size(); ++i) {
        char32_t codePoint = lower[i].unicode();
        if (lower[i].isHighSurrogate() && i + 1 < lower.size() && lower[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(lower[i], lower[i + 1]);
            ++i;
        }
        if (QChar::isSpace(codePoint)) {
            pendingSpace = !result.isEmpty();
            previousKept = false;
            continue;
        }
        const bool keep = QChar::isLetterOrNumber(codePoint) || (previousKept && isMark(codePoint));
        previousKept = keep;
        if (!keep)
            continue;
        if (pendingSpace)
            result.append(u' ');
        pendingSpace = false;
        if (QChar::requiresSurrogates(codePoint)) {
            result.append(QChar::highSurrogate(codePoint));
            result.append(QChar::lowSurrogate(codePoint));
        } else {
            result.append(QChar(static_cast<char16_t>(codePoint)));
        }
    }
    return result;
}

int ElementMatcher::matchStrength(const QStringList& normalizedTexts, QStringView normalizedTarget)
{
    int best = 0;
    for (const QString& text : normalizedTexts)
        best = std::max(best, strength(text, normalizedTarget));
    return best;
}

std::optional<int> ElementMatcher::score(const ElementTraits& element, QStringView normalizedTarget,
                                         ElementPurpose purpose)
{
    // A name of punctuation alone normalizes to nothing, and every text begins with nothing:
    // it must not pick whichever element comes first.
    if (normalizedTarget.isEmpty())
        return std::nullopt;

    QStringList texts;
    for (const QString& text : element.texts) {
        QString normalizedText = normalized(text);
        if (!normalizedText.isEmpty())
            texts.append(std::move(normalizedText));
    }
    if (texts.isEmpty())
        return std::nullopt;

    const bool textInput = isTextInput(element.role);
    const bool clickable = element.canPress || isClickable(element.role);
    const bool eligible = purpose == ElementPurpose::focus
                              ? textInput
                              : clickable || textInput || isContentRole(element.role);
    if (!eligible)
        return std::nullopt;

    const int matched = matchStrength(texts, normalizedTarget);
    if (matched == 0)
        return std::nullopt;

    int total = matched;
    if (purpose == ElementPurpose::focus)
        total += 35;
    if (purpose == ElementPurpose::click && clickable)
        total += 25;
    if (element.canPress)
        total += 10;
    if (element.hasCenterPoint)
        total += 5;
    return total;
}

} // namespace korvane
