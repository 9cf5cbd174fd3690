// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/command/CommandText.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace korvane {

struct CommandText::Data {
    QString owned;
    QStringView source;
    QString lower;
    // Both empty when every character keeps its length in lower case.
    std::vector<qsizetype> toSource; // lower index → start of the source character
    std::vector<qsizetype> toLower;  // source index → start of its lower-case characters

    struct Occurrences {
        QString phrase;
        std::vector<qsizetype> positions; // every start in `lower`, overlapping ones included
    };
    mutable std::vector<Occurrences> occurrences;

    struct Replacement {
        QString phrase;
        QString by;
        std::shared_ptr<const Data> data;
        std::vector<qsizetype> toReplaced; // source index → index in the replaced source
    };
    mutable std::optional<Replacement> replacement;

    // Short texts are searched directly; listing occurrences pays off on long ones.
    static constexpr qsizetype listedFrom = 512;

    const std::vector<qsizetype>& positionsOf(QStringView phrase) const
    {
        for (const Occurrences& entry : occurrences) {
            if (entry.phrase == phrase)
                return entry.positions;
        }
        Occurrences entry{phrase.toString(), {}};
        for (qsizetype at = lower.indexOf(phrase); at >= 0; at = lower.indexOf(phrase, at + 1))
            entry.positions.push_back(at);
        occurrences.push_back(std::move(entry));
        return occurrences.back().positions;
    }

    void build()
    {
        const qsizetype n = source.size();
        lower.reserve(n);
        bool lengthChanged = false;
        for (qsizetype i = 0; i < n;) {
            const char16_t c = source[i].unicode();
            qsizetype width = 1;
            if (c < 0x80) {
                lower.append(QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c));
            } else {
                if (QChar::isHighSurrogate(c) && i + 1 < n && source[i + 1].isLowSurrogate())
                    width = 2;
                // Each character on its own, so the map stays exact.
                const QString piece = source.mid(i, width).toString().toLower();
                lengthChanged = lengthChanged || piece.size() != width;
                lower.append(piece);
            }
            i += width;
        }
        if (!lengthChanged)
            return;

        toSource.reserve(lower.size() + 1);
        toLower.reserve(n + 1);
        qsizetype lowerAt = 0;
        for (qsizetype i = 0; i < n;) {
            const char16_t c = source[i].unicode();
            qsizetype width = 1;
            qsizetype lowerWidth = 1;
            if (c >= 0x80) {
                if (QChar::isHighSurrogate(c) && i + 1 < n && source[i + 1].isLowSurrogate())
                    width = 2;
                lowerWidth = source.mid(i, width).toString().toLower().size();
            }
            for (qsizetype k = 0; k < width; ++k)
                toLower.push_back(lowerAt);
            for (qsizetype k = 0; k < lowerWidth; ++k)
                toSource.push_back(i);
            lowerAt += lowerWidth;
            i += width;
        }
        toLower.push_back(lowerAt);
        toSource.push_back(n);
    }
};

CommandText::CommandText()
    : CommandText(QString())
{
}

CommandText::CommandText(QStringView source)
{
    auto data = std::make_shared<Data>();
    data->source = source;
    data->build();
    m_end = source.size();
    d = std::move(data);
}

CommandText::CommandText(QString source)
{
    auto data = std::make_shared<Data>();
    data->owned = std::move(source);
    data->source = data->owned;
    data->build();
    m_end = data->source.size();
    d = std::move(data);
}

CommandText::CommandText(std::shared_ptr<const Data> data, qsizetype begin, qsizetype end)
    : d(std::move(data))
    , m_begin(begin)
    , m_end(end)
{
}

qsizetype CommandText::lowerIndex(qsizetype source) const
{
    return d->toLower.empty() ? source : d->toLower[static_cast<std::size_t>(source)];
}

qsizetype CommandText::sourceIndex(qsizetype lowerPosition) const
{
    const qsizetype lowerBegin = lowerIndex(m_begin);
    const qsizetype lowerEnd = lowerIndex(m_end);
    const qsizetype absolute = std::clamp(lowerBegin + lowerPosition, lowerBegin, lowerEnd);
    const qsizetype source =
        d->toSource.empty() ? absolute : d->toSource[static_cast<std::size_t>(absolute)];
    return std::clamp(source, m_begin, m_end);
}

QStringView CommandText::source() const
{
    return d->source.sliced(m_begin, m_end - m_begin);
}

QStringView CommandText::lower() const
{
    const qsizetype begin = lowerIndex(m_begin);
    return QStringView(d->lower).sliced(begin, lowerIndex(m_end) - begin);
}

bool CommandText::containsAny(std::span<const QStringView> phrases) const
{
    return std::any_of(phrases.begin(), phrases.end(),
                       [this](QStringView phrase) { return contains(phrase); });
}

qsizetype CommandText::indexOf(QStringView phrase, qsizetype from) const
{
    if (phrase.isEmpty())
        return -1;
    if (d->lower.size() < Data::listedFrom)
        return lower().indexOf(phrase, from);
    const qsizetype begin = lowerIndex(m_begin);
    const qsizetype end = lowerIndex(m_end);
    const std::vector<qsizetype>& positions = d->positionsOf(phrase);
    const auto found =
        std::lower_bound(positions.begin(), positions.end(), begin + std::max<qsizetype>(from, 0));
    if (found == positions.end() || *found + phrase.size() > end)
        return -1;
    return *found - begin;
}

qsizetype CommandText::lastIndexOf(QStringView phrase, qsizetype from) const
{
    const QStringView text = lower();
    if (phrase.isEmpty() || phrase.size() > text.size())
        return -1;
    const qsizetype latest = text.size() - phrase.size();
    from = from < 0 ? latest : std::min(from, latest);
    if (d->lower.size() < Data::listedFrom)
        return text.lastIndexOf(phrase, from);
    const qsizetype begin = lowerIndex(m_begin);
    const std::vector<qsizetype>& positions = d->positionsOf(phrase);
    const auto after = std::upper_bound(positions.begin(), positions.end(), begin + from);
    if (after == positions.begin() || *(after - 1) < begin)
        return -1;
    return *(after - 1) - begin;
}

CommandText CommandText::sourceRange(qsizetype begin, qsizetype end) const
{
    begin = std::clamp(begin, m_begin, m_end);
    end = std::clamp(end, begin, m_end);
    return CommandText(d, begin, end);
}

CommandText CommandText::left(qsizetype lowerPosition) const
{
    return sourceRange(m_begin, sourceIndex(lowerPosition));
}

CommandText CommandText::mid(qsizetype lowerPosition) const
{
    return sourceRange(sourceIndex(lowerPosition), m_end);
}

CommandText CommandText::between(qsizetype lowerBegin, qsizetype lowerEnd) const
{
    return sourceRange(sourceIndex(lowerBegin), sourceIndex(lowerEnd));
}

CommandText CommandText::after(qsizetype lowerPosition, QStringView phrase) const
{
    return mid(lowerPosition + phrase.size());
}

CommandText CommandText::trimmed() const
{
    qsizetype begin = m_begin;
    qsizetype end = m_end;
    while (begin < end && d->source[begin].isSpace())
        ++begin;
    while (end > begin && d->source[end - 1].isSpace())
        --end;
    return CommandText(d, begin, end);
}

CommandText CommandText::trimmedPunctuation() const
{
    const auto isPunctuation = [](QChar c) {
        switch (c.unicode()) {
        case u' ':
        case u'.':
        case u',':
        case u'!':
        case u'?':
        case u'\n':
        case u'\t':
            return true;
        default:
            return false;
        }
    };
    qsizetype begin = m_begin;
    qsizetype end = m_end;
    while (begin < end && isPunctuation(d->source[begin]))
        ++begin;
    while (end > begin && isPunctuation(d->source[end - 1]))
        --end;
    return CommandText(d, begin, end);
}

CommandText CommandText::withoutMatchingQuotes() const
{
    const CommandText text = trimmed();
    const QStringView source = text.source();
    if (source.size() < 2)
        return text;
    const QChar first = source.front();
    if ((first == u'"' || first == u'\'') && source.back() == first)
        return CommandText(d, text.m_begin + 1, text.m_end - 1);
    return text;
}

CommandText CommandText::withoutSuffixes(std::span<const QStringView> suffixes) const
{
    CommandText text = trimmed();
    for (QStringView suffix : suffixes) {
        if (text.endsWith(suffix))
            text = text.left(text.lower().size() - suffix.size()).trimmed();
    }
    return text;
}

CommandText CommandText::replacingAll(QStringView phrase, QStringView by) const
{
    if (phrase.isEmpty())
        return *this;
    const auto& cached = d->replacement;
    if (!cached || cached->phrase != phrase || cached->by != by) {
        Data::Replacement replacement{phrase.toString(), by.toString(), {}, {}};
        const QStringView source = d->source;
        QString replaced;
        replaced.reserve(source.size());
        replacement.toReplaced.reserve(source.size() + 1);
        qsizetype at = 0;
        while (at < source.size()) {
            const qsizetype next = source.indexOf(phrase, at, Qt::CaseInsensitive);
            const qsizetype stop = next < 0 ? source.size() : next;
            for (; at < stop; ++at) {
                replacement.toReplaced.push_back(replaced.size());
                replaced.append(source[at]);
            }
            if (next < 0)
                break;
            // Inside an occurrence every index maps to its start.
            for (qsizetype k = 0; k < phrase.size(); ++k)
                replacement.toReplaced.push_back(replaced.size());
            replaced.append(by);
            at = next + phrase.size();
        }
        replacement.toReplaced.push_back(replaced.size());
        auto data = std::make_shared<Data>();
        data->owned = std::move(replaced);
        data->source = data->owned;
        data->build();
        replacement.data = std::move(data);
        d->replacement = std::move(replacement);
    }
    const auto& map = d->replacement->toReplaced;
    return CommandText(d->replacement->data, map[static_cast<std::size_t>(m_begin)],
                       map[static_cast<std::size_t>(m_end)]);
}

} // namespace korvane
