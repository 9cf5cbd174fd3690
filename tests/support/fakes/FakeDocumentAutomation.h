// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DocumentAutomation.h"

namespace korvane::test {

class FakeDocumentAutomation final : public DocumentAutomation {
public:
    std::optional<QString> error{};
    int created = 0;

    QCoro::Task<std::optional<QString>> createBlankTextDocument() override;
};

} // namespace korvane::test
