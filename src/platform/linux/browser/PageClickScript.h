// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

// The page script that finds an element by its visible label and clicks it, and the reading
// of its answer ("clicked:LABEL" or "not-found:TARGET").
class PageClickScript final {
public:
    // `text` as a JavaScript string literal: double-quoted and plain ASCII, every other
    // character written as a \u escape, so no text can end the string, the statement or an
    // enclosing script element.
    static QString stringLiteral(QStringView text);
    // The expression, one immediately invoked arrow function, for the element named `name`.
    static QString expression(QStringView name);
    // "Clicked LABEL." when the answer says the script clicked; absent otherwise.
    static std::optional<QString> clickedSummary(QStringView answer);
};

} // namespace korvane
