// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeDocumentAutomation.h"

// Members are returned through std::as_const: co_return of a non-const lvalue moves from it.
namespace korvane::test {

QCoro::Task<std::optional<QString>> FakeDocumentAutomation::createBlankTextDocument()
{
    ++created;
    co_return std::as_const(error);
}

} // namespace korvane::test
