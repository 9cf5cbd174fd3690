// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

struct WakePhraseMatch {
    QString phrase{};
    // The words after the phrase, absent when nothing followed it.
    std::optional<QString> commandSuffix{};

    friend bool operator==(const WakePhraseMatch&, const WakePhraseMatch&) = default;
};

// Finds a wake phrase in a spoken transcript.
class WakePhraseMatcher final {
public:
    // Lower case; letters, digits and whitespace only; pieces between spaces joined by single
    // spaces ("Hey, Korva!" → "hey korva"). Only the space character separates pieces.
    static QString normalized(const QString& text);

    // The first of `phrases` (in list order) that `normalizedText` contains, and the text after
    // its first occurrence, trimmed.
    static std::optional<WakePhraseMatch> match(const QString& normalizedText,
                                                const QStringList& phrases);
};

} // namespace korvane
