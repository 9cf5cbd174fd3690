// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace korvane {

// What a page script gave back.
struct EvaluationOutcome {
    // The script's value; Undefined when it returned none or threw.
    QJsonValue value{QJsonValue::Undefined};
    // The exception's message when the script threw.
    std::optional<QString> exception{};

    friend bool operator==(const EvaluationOutcome&, const EvaluationOutcome&) = default;
};

// Runtime.evaluate: its parameters and the reading of its result.
class RuntimeEvaluation final {
public:
    static QJsonObject params(const QString& expression, bool awaitPromise = false);
    // `result` is the reply's "result" object.
    static EvaluationOutcome read(const QJsonObject& result);
};

} // namespace korvane
