// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace korvane {

// What the person allowed a model-written script beyond its sandbox.
struct ScriptPermissions {
    // The network, and with it the API key.
    bool network = false;

    friend bool operator==(const ScriptPermissions&, const ScriptPermissions&) = default;
};

} // namespace korvane
