#include "platform/PlatformFactory.h"

#include "platform/linux/office/LibreOfficeDocuments.h"
#include "platform/linux/x11/X11Workspace.h"
#include "platform/linux/xdg/XdgApplicationCatalog.h"
#include "platform/unavailable/UnavailableBrowserAutomation.h"
#include "platform/unavailable/UnavailableMusicAutomation.h"
#include "uiautomation/UnavailableUIAutomation.h"

namespace korvane {

PlatformPorts createDesktopPorts()
{
    auto catalog = std::make_shared<XdgApplicationCatalog>();
    PlatformPorts ports;
    ports.workspace = std::make_shared<X11Workspace>(catalog);
    ports.applications = catalog;
    // The accessibility, browser and music backends arrive later; until then they answer
    // honestly that nothing can be done.
    ports.uiAutomation = std::make_shared<UnavailableUIAutomation>();
    ports.browsers = std::make_shared<UnavailableBrowserAutomation>();
    ports.music = std::make_shared<UnavailableMusicAutomation>();
    ports.documents = std::make_shared<LibreOfficeDocuments>();
    return ports;
}

PlatformPorts completedWithDesktopPorts(PlatformPorts ports)
{
    const bool complete = ports.workspace && ports.applications && ports.uiAutomation &&
                          ports.browsers && ports.music && ports.documents;
    if (complete)
        return ports;
    PlatformPorts desktop = createDesktopPorts();
    if (!ports.workspace)
        ports.workspace = desktop.workspace;
    if (!ports.applications)
        ports.applications = desktop.applications;
    if (!ports.uiAutomation)
        ports.uiAutomation = desktop.uiAutomation;
    if (!ports.browsers)
        ports.browsers = desktop.browsers;
    if (!ports.music)
        ports.music = desktop.music;
    if (!ports.documents)
        ports.documents = desktop.documents;
    return ports;
}

} // namespace korvane
