// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Enumerations.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <QUuid>

namespace korvane {

// One rendered line of a markdown body.
struct MarkdownElement {
    using Kind = MarkdownLineKind;

    QUuid id = QUuid::createUuid();
    Kind kind = Kind::paragraph;
    QString text{};

    friend bool operator==(const MarkdownElement&, const MarkdownElement&) = default;
};

// Classifies each line of `text` on its own; there is no block structure.
QList<MarkdownElement> parseMarkdownLines(QStringView text);

} // namespace korvane
