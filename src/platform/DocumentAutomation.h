// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"

#include <qcoro/qcorotask.h>

namespace korvane {

// Documents made directly in the office suite.
class DocumentAutomation {
public:
    virtual ~DocumentAutomation() = default;

    // Opens a new, empty word-processor document.
    virtual QCoro::Task<Outcome> createBlankTextDocument() = 0;
};

} // namespace korvane
