// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MarkdownLines.h"

namespace korvane {

namespace {

// Only blanks and tabs count here: other white space stays part of the line.
QStringView trimmedBlanks(QStringView line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && (line[begin] == u' ' || line[begin] == u'\t'))
        ++begin;
    while (end > begin && (line[end - 1] == u' ' || line[end - 1] == u'\t'))
        --end;
    return line.sliced(begin, end - begin);
}

bool isNumberedMarker(QStringView line)
{
    return line.size() >= 3 && line[0] >= u'1' && line[0] <= u'9' && line[1] == u'.' &&
           line[2] == u' ';
}

MarkdownElement element(MarkdownElement::Kind kind, QStringView text)
{
    return MarkdownElement{.kind = kind, .text = text.toString()};
}

} // namespace

QList<MarkdownElement> parseMarkdownLines(QStringView text)
{
    using Kind = MarkdownElement::Kind;
    QList<MarkdownElement> elements;
    for (QStringView raw : text.split(u'\n')) {
        const QStringView line = trimmedBlanks(raw);
        if (line.isEmpty())
            elements.append(element(Kind::spacer, {}));
        else if (line.startsWith(u"# "))
            elements.append(element(Kind::h1, line.sliced(2)));
        else if (line.startsWith(u"## "))
            elements.append(element(Kind::h2, line.sliced(3)));
        else if (line.startsWith(u"### "))
            elements.append(element(Kind::h3, line.sliced(4)));
        else if (line.startsWith(u"- ") || line.startsWith(u"* "))
            elements.append(element(Kind::bullet, line.sliced(2)));
        else if (isNumberedMarker(line))
            elements.append(element(Kind::numbered, trimmedBlanks(line.sliced(2))));
        else
            elements.append(element(Kind::paragraph, line));
    }
    return elements;
}

} // namespace korvane
