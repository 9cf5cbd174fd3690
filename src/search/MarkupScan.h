// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// Scanners for the few markup patterns the search reads. Each gives exactly what its regular
// expression (quoted beside it) gives under a backtracking engine, in O(n log n) even on hostile
// pages, where the expression itself takes minutes (a lazy `.*?` or `\s+[^>]*` retried from every
// tag start).
namespace korvane::MarkupScan {

// Every match of `OPEN[^>]*ATTRIBUTE[^>]*>(.*?)CLOSE` with "." matching line breaks, in page
// order; the views are group 1. `attribute` must not contain '>'.
QList<QStringView> elementBodies(QStringView page, QStringView open, QStringView attribute,
                                 QStringView close);

// `markup` with every match of `<[^>]+>` removed.
QString stripTags(QStringView markup);

// White space as `\s` means it without Unicode properties.
bool isPatternSpace(QChar character);

} // namespace korvane::MarkupScan
