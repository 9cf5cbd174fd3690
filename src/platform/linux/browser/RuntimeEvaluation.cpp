// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/RuntimeEvaluation.h"

namespace korvane {

QJsonObject RuntimeEvaluation::params(const QString& expression, bool awaitPromise)
{
    return {
        {u"expression"_qs, expression},
        {u"returnByValue"_qs, true},
        {u"awaitPromise"_qs, awaitPromise},
        // A click from the script counts as the user's, as a script the browser runs for its
        // own scripting interface does.
        {u"userGesture"_qs, true},
    };
}

EvaluationOutcome RuntimeEvaluation::read(const QJsonObject& result)
{
    EvaluationOutcome outcome;
    if (result.contains(u"exceptionDetails")) {
        const QJsonObject details = result.value(u"exceptionDetails").toObject();
        // "TypeError: x is not a function\n    at <anonymous>:1:5" → its first line.
        QString message = details.value(u"exception")
                              .toObject()
                              .value(u"description")
                              .toString()
                              .section(u'\n', 0, 0)
                              .trimmed();
        if (message.isEmpty())
            message = details.value(u"text").toString().trimmed();
        outcome.exception = message;
        return outcome;
    }
    const QJsonObject remote = result.value(u"result").toObject();
    if (remote.contains(u"value"))
        outcome.value = remote.value(u"value");
    return outcome;
}

} // namespace korvane
