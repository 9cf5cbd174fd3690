// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PlatformPorts.h"

namespace korvane::test {

// Every desktop port with its fake, for tests that need an executor but no desktop.
PlatformPorts fakePorts();

} // namespace korvane::test
