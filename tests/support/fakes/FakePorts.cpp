// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakePorts.h"

#include "fakes/FakeApplicationCatalog.h"
#include "fakes/FakeBrowserAutomation.h"
#include "fakes/FakeDocumentAutomation.h"
#include "fakes/FakeMusicAutomation.h"
#include "fakes/FakeUIAutomation.h"
#include "fakes/FakeWorkspace.h"

namespace korvane::test {

PlatformPorts fakePorts()
{
    return {std::make_shared<FakeWorkspace>(),       std::make_shared<FakeApplicationCatalog>(),
            std::make_shared<FakeUIAutomation>(),    std::make_shared<FakeBrowserAutomation>(),
            std::make_shared<FakeMusicAutomation>(), std::make_shared<FakeDocumentAutomation>()};
}

} // namespace korvane::test
