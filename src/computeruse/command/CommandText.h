// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <memory>
#include <span>

namespace korvane {

// A piece of command text and its lower case. Phrase tests run on the lower case; the parts
// cut out are taken from the source at the matching positions. Lower-casing can change the
// length ("İ" becomes two code units), so positions go through an index map, and every cut is
// clamped to the piece: nothing is ever cut outside the source.
//
// Pieces are cheap views sharing one lower-cased buffer, so splitting a long text into parts
// does not copy or lower-case it again; on long texts each phrase's occurrences are listed once,
// so the many searches over nested parts stay cheap. A text and its pieces belong to one thread.
class CommandText final {
public:
    CommandText();
    explicit CommandText(QStringView source);
    explicit CommandText(QString source);

    QStringView source() const;
    QStringView lower() const;
    QString toString() const { return source().toString(); }
    bool isEmpty() const { return m_begin == m_end; }

    // Tests on the lower case; positions are lower-case positions within this piece.
    bool contains(QStringView phrase) const { return indexOf(phrase) >= 0; }
    bool containsAny(std::span<const QStringView> phrases) const;
    bool startsWith(QStringView phrase) const { return lower().startsWith(phrase); }
    bool endsWith(QStringView phrase) const { return lower().endsWith(phrase); }
    bool equals(QStringView phrase) const { return lower() == phrase; }
    qsizetype indexOf(QStringView phrase, qsizetype from = 0) const;
    // The last occurrence that starts at or before `from` (-1: anywhere).
    qsizetype lastIndexOf(QStringView phrase, qsizetype from = -1) const;

    // Pieces by lower-case position: before, from, and between.
    CommandText left(qsizetype lowerPosition) const;
    CommandText mid(qsizetype lowerPosition) const;
    CommandText between(qsizetype lowerBegin, qsizetype lowerEnd) const;
    // The rest after a phrase that occurs at `lowerPosition`.
    CommandText after(qsizetype lowerPosition, QStringView phrase) const;

    // White space and line breaks removed at both ends.
    CommandText trimmed() const;
    // Space, full stop, comma, exclamation and question marks, line feed and tab removed at
    // both ends.
    CommandText trimmedPunctuation() const;
    // Trimmed; then one pair of matching double or single quotes around the whole removed.
    CommandText withoutMatchingQuotes() const;
    // Trimmed; then each suffix in order, once, removed from the end (trimming again after).
    CommandText withoutSuffixes(std::span<const QStringView> suffixes) const;

    // The same piece with every occurrence of `phrase` (any letter case) replaced by `by`.
    // The whole text is replaced once and shared by its pieces; a piece must not begin or end
    // inside an occurrence.
    CommandText replacingAll(QStringView phrase, QStringView by) const;

private:
    struct Data;
    CommandText(std::shared_ptr<const Data> data, qsizetype begin, qsizetype end);
    qsizetype lowerIndex(qsizetype sourceIndex) const;
    qsizetype sourceIndex(qsizetype lowerIndex) const;
    CommandText sourceRange(qsizetype begin, qsizetype end) const;

    std::shared_ptr<const Data> d;
    qsizetype m_begin = 0; // source positions
    qsizetype m_end = 0;
};

} // namespace korvane
