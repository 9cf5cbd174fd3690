// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DocumentAutomation.h"

#include <QString>

#include <optional>

namespace korvane::test {

class FakeDocumentAutomation final : public DocumentAutomation {
public:
    std::optional<QString> error{};
    int created = 0;

    QCoro::Task<Outcome> createBlankTextDocument() override;
};

} // namespace korvane::test
