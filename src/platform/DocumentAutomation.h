// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <qcoro/qcorotask.h>

#include <optional>

namespace korvane {

// Documents made directly in the office suite.
class DocumentAutomation {
public:
    virtual ~DocumentAutomation() = default;

    // Opens a new, empty word-processor document. Absent on success, else the error text.
    virtual QCoro::Task<std::optional<QString>> createBlankTextDocument() = 0;
};

} // namespace korvane
