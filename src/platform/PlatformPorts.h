// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

namespace korvane {

class ApplicationCatalog;
class BrowserAutomation;
class DocumentAutomation;
class MusicAutomation;
class UIAutomation;
class Workspace;

// One backend per port. Tests fill it with fakes; the composition root with this desktop's.
struct PlatformPorts {
    std::shared_ptr<Workspace> workspace{};
    std::shared_ptr<ApplicationCatalog> applications{};
    std::shared_ptr<UIAutomation> uiAutomation{};
    std::shared_ptr<BrowserAutomation> browsers{};
    std::shared_ptr<MusicAutomation> music{};
    std::shared_ptr<DocumentAutomation> documents{};
};

} // namespace korvane
