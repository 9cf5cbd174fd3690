// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"

#include <QString>
#include <qcoro/qcorotask.h>

#include <optional>

namespace korvane::test {

// A step's failure sentence, or nothing when it succeeded: QCoro::waitFor needs a result it
// can default-construct, which an Outcome is not.
inline QCoro::Task<std::optional<QString>> failureOf(QCoro::Task<Outcome> step)
{
    const Outcome outcome = co_await std::move(step);
    co_return outcome ? std::nullopt : std::optional<QString>(outcome.error());
}

} // namespace korvane::test
