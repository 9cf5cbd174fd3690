// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakes/FakeApplicationCatalog.h"
#include "fakes/FakeBrowserAutomation.h"
#include "fakes/FakeDocumentAutomation.h"
#include "fakes/FakeMusicAutomation.h"
#include "fakes/FakeUIAutomation.h"
#include "fakes/FakeWorkspace.h"
#include "platform/PlatformPorts.h"

namespace korvane::test {

// Every desktop port with its fake, for tests that need an executor but no desktop.
inline PlatformPorts fakePorts()
{
    return {std::make_shared<FakeWorkspace>(),       std::make_shared<FakeApplicationCatalog>(),
            std::make_shared<FakeUIAutomation>(),    std::make_shared<FakeBrowserAutomation>(),
            std::make_shared<FakeMusicAutomation>(), std::make_shared<FakeDocumentAutomation>()};
}

} // namespace korvane::test
