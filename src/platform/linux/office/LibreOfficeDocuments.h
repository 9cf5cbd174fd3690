// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DocumentAutomation.h"

namespace korvane {

// New documents through LibreOffice's own command line: a running instance opens the new
// document in a window of its own.
class LibreOfficeDocuments final : public DocumentAutomation {
public:
    QCoro::Task<Outcome> createBlankTextDocument() override;
};

} // namespace korvane
