// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AccessibleRole.h"

#include <QString>

namespace korvane {

// The role and subrole names element listings show ("AXButton", "AXSearchField"), made from
// the desktop's roles only where the user and the model read them.
class RoleNames final {
public:
    static QString role(AccessibleRole role);
    // Empty for roles without a subrole.
    static QString subrole(AccessibleRole role);
};

} // namespace korvane
