// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

#include <functional>
#include <vector>

namespace korvane {

// Every position where a needle occurs in a text, so the markup scanners can ask "where is the
// next one from here?" in logarithmic time, whatever order they ask in. That is what keeps
// hostile pages linear: no question ever rescans the text.
class TextOccurrences final {
public:
    enum class Case { sensitive, insensitive };

    TextOccurrences(QStringView text, QStringView needle, Case matching = Case::sensitive);

    // Positions of any of `characters`.
    static TextOccurrences ofAnyCharacter(QStringView text, QStringView characters);

    // The occurrences for which `keep(position)` holds.
    TextOccurrences filtered(const std::function<bool(qsizetype)>& keep) const;

    // The first occurrence at or after `from`, else -1.
    qsizetype next(qsizetype from) const;
    // Index into positions() of the first occurrence at or after `from` (size() when none).
    qsizetype indexOfNext(qsizetype from) const;
    qsizetype at(qsizetype index) const { return m_positions[static_cast<size_t>(index)]; }
    qsizetype size() const { return static_cast<qsizetype>(m_positions.size()); }

private:
    TextOccurrences() = default;

    std::vector<qsizetype> m_positions;
};

} // namespace korvane
