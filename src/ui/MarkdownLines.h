// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QUuid>

namespace korvane {

// One rendered line of a markdown body.
struct MarkdownElement {
    enum class Kind { h1, h2, h3, bullet, numbered, paragraph, spacer };

    QUuid id = QUuid::createUuid();
    Kind kind = Kind::paragraph;
    QString text{};

    friend bool operator==(const MarkdownElement&, const MarkdownElement&) = default;
};

// Raw name of a kind ("h1" … "spacer"), as the views switch on it.
QString markdownKindName(MarkdownElement::Kind kind);

// Classifies each line of `text` on its own; there is no block structure.
QList<MarkdownElement> parseMarkdownLines(QStringView text);

} // namespace korvane
