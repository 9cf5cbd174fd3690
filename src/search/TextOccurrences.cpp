// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TextOccurrences.h"

#include <algorithm>

namespace korvane {

TextOccurrences::TextOccurrences(QStringView text, QStringView needle, Case matching)
{
    if (needle.isEmpty())
        return;
    const Qt::CaseSensitivity sensitivity =
        matching == Case::sensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (qsizetype at = text.indexOf(needle, 0, sensitivity); at >= 0;
         at = text.indexOf(needle, at + 1, sensitivity))
        m_positions.push_back(at);
}

TextOccurrences TextOccurrences::ofAnyCharacter(QStringView text, QStringView characters)
{
    TextOccurrences occurrences;
    if (characters.size() == 1) {
        for (qsizetype at = text.indexOf(characters[0]); at >= 0;
             at = text.indexOf(characters[0], at + 1))
            occurrences.m_positions.push_back(at);
        return occurrences;
    }
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (characters.contains(text[at]))
            occurrences.m_positions.push_back(at);
    }
    return occurrences;
}

TextOccurrences TextOccurrences::filtered(const std::function<bool(qsizetype)>& keep) const
{
    TextOccurrences kept;
    std::copy_if(m_positions.begin(), m_positions.end(), std::back_inserter(kept.m_positions),
                 keep);
    return kept;
}

qsizetype TextOccurrences::indexOfNext(qsizetype from) const
{
    return std::lower_bound(m_positions.begin(), m_positions.end(), from) - m_positions.begin();
}

qsizetype TextOccurrences::next(qsizetype from) const
{
    const qsizetype index = indexOfNext(from);
    return index < size() ? at(index) : -1;
}

} // namespace korvane
