// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DocumentAutomation.h"

namespace korvane::test {

class FakeDocumentAutomation final : public DocumentAutomation {
public:
    std::optional<QString> error{};

    QCoro::Task<Outcome> createBlankTextDocument() override
    {
        co_return error ? Outcome::failure(*error) : Outcome::success();
    }
};

} // namespace korvane::test
