// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DocumentAutomation.h"

namespace korvane::test {

class FakeDocumentAutomation final : public DocumentAutomation {
public:
    std::optional<QString> error{};

    // Returned through std::as_const: co_return of a non-const lvalue moves from it.
    QCoro::Task<std::optional<QString>> createBlankTextDocument() override
    {
        co_return std::as_const(error);
    }
};

} // namespace korvane::test
