#include "platform/PlatformFactory.h"

#include "platform/GlobalShortcutChain.h"
#include "platform/linux/atspi/AtspiAccessibilityTree.h"
#include "platform/linux/browser/RemoteBrowserAutomation.h"
#include "platform/linux/mpris/MprisMusicAutomation.h"
#include "platform/linux/mpris/MusicLibrary.h"
#include "platform/linux/office/LibreOfficeDocuments.h"
#include "platform/linux/portal/PortalGlobalShortcut.h"
#include "platform/linux/x11/X11GlobalShortcut.h"
#include "platform/linux/x11/X11Workspace.h"
#include "platform/linux/x11/XTestInputSynthesizer.h"
#include "platform/linux/xdg/XdgApplicationCatalog.h"
#include "uiautomation/UIAutomationService.h"

namespace korvane {

PlatformPorts createDesktopPorts()
{
    auto catalog = std::make_shared<XdgApplicationCatalog>();
    auto workspace = std::make_shared<X11Workspace>(catalog);
    PlatformPorts ports;
    ports.workspace = workspace;
    ports.applications = catalog;
    ports.uiAutomation =
        std::make_shared<UIAutomationService>(std::make_shared<AtspiAccessibilityTree>(),
                                              std::make_shared<XTestInputSynthesizer>(), workspace);
    ports.browsers = std::make_shared<RemoteBrowserAutomation>(workspace, catalog);
    ports.music = std::make_shared<MprisMusicAutomation>(workspace, catalog,
                                                         std::make_shared<MusicLibrary>());
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

std::shared_ptr<GlobalShortcut> createGlobalShortcut()
{
    return std::make_shared<GlobalShortcutChain>(
        QList<std::shared_ptr<GlobalShortcut>>{std::make_shared<PortalGlobalShortcut>(),
                                               std::make_shared<X11GlobalShortcut>()},
        QStringLiteral("This desktop offers no global shortcuts: hold-to-talk needs the "
                       "desktop's GlobalShortcuts portal or an X11 session."));
}

} // namespace korvane
