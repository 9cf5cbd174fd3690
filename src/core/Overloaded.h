// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace korvane {

// A visitor made of lambdas, one per alternative of a variant.
template <typename... Cases>
struct Overloaded : Cases... {
    using Cases::operator()...;
};
// Spelled out: clang before 17 does not deduce an aggregate's template arguments by itself.
template <typename... Cases>
Overloaded(Cases...) -> Overloaded<Cases...>;

} // namespace korvane
