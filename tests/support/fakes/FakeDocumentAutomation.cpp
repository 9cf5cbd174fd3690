// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeDocumentAutomation.h"

namespace korvane::test {

QCoro::Task<Outcome> FakeDocumentAutomation::createBlankTextDocument()
{
    ++created;
    co_return error ? Outcome::failure(*error) : Outcome::success();
}

} // namespace korvane::test
