#include "computeruse/command/CommandText.h"

#include <algorithm>
#include <vector>

namespace korvane {

struct CommandText::Data {
    QString owned;
    QStringView source;
    QString lower;
    // Both empty when every character keeps its length in lower case.
    std::vector<qsizetype> toSource; // lower index → start of the source character
    std::vector<qsizetype> toLower;  // source index → start of its lower-case characters

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
    return lower().indexOf(phrase, from);
}

qsizetype CommandText::lastIndexOf(QStringView phrase) const
{
    const QStringView text = lower();
    if (phrase.size() > text.size())
        return -1;
    return text.lastIndexOf(phrase, text.size() - phrase.size());
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

} // namespace korvane
