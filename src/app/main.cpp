#include "app/AppIntentRouter.h"
#include "app/AppModel.h"
#include "app/ApplicationComposition.h"
#include "app/UserSettings.h"
#include "platform/linux/atspi/AtspiAccessibilityTree.h"
#include "platform/linux/desktop/DesktopIntentsService.h"
#include "platform/linux/desktop/DesktopWindowActivator.h"
#include "platform/linux/desktop/LaunchRequest.h"
#include "platform/linux/desktop/LaunchRouting.h"
#include "platform/linux/desktop/WindowActivation.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTextStream>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Korvane_UiPlugin)

namespace {

constexpr int exitUsage = 2;

const char* usage = "Usage: korvane [--open-section chat|search] [--note TEXT]\n"
                    "Starts Korvane, or hands the request to the Korvane that is running.\n";

} // namespace

int main(int argc, char* argv[])
{
    korvane::AtspiAccessibilityTree::prepareProcess();
    QGuiApplication application(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("korvane"));
    QGuiApplication::setApplicationName(QStringLiteral("Korvane"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Korvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.korva.Korvane"));

    const korvane::LaunchArguments arguments =
        korvane::parseLaunchArguments(QGuiApplication::arguments());
    QTextStream err(stderr);
    if (arguments.helpRequested) {
        QTextStream(stdout) << usage;
        return 0;
    }
    if (!arguments.request) {
        err << "korvane: " << arguments.error << '\n' << usage;
        return exitUsage;
    }
    const korvane::LaunchRequest request = *arguments.request;

    // One instance per session: when the name is taken, the running one gets the request.
    QDBusConnection bus = QDBusConnection::sessionBus();
    korvane::DesktopIntentsService intents;
    if (bus.isConnected() && !intents.registerOn(bus)) {
        if (korvane::forwardToRunningInstance(bus, request))
            return 0;
        err << "korvane: another instance holds " << korvane::DesktopIntentsService::serviceName
            << " but does not answer; starting without desktop intents.\n";
    }

    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        QQuickStyle::setStyle(QStringLiteral("Fusion"));

    korvane::UserSettings settings;
    const korvane::DesktopBackends desktop = korvane::composeDesktop();
    std::unique_ptr<korvane::AppModel> model = korvane::makeApplicationModel({}, desktop);

    QQmlApplicationEngine engine;
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &application,
        [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.setInitialProperties({
        {QStringLiteral("appModel"), QVariant::fromValue(static_cast<QObject*>(model.get()))},
        {QStringLiteral("userSettings"), QVariant::fromValue(static_cast<QObject*>(&settings))},
    });
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Korvane/Ui/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());

    auto activator =
        std::make_shared<korvane::DesktopWindowActivator>(window, desktop.raiseWindowOf);
    model->setWindowActivator(activator);
    model->followIntentRouter(korvane::AppIntentRouter::shared());

    // A launcher's request carries the right to take the focus where the desktop asks for one.
    const auto handle = [window](const korvane::LaunchRequest& launch) {
        korvane::routeLaunchRequest(launch, korvane::AppIntentRouter::shared());
        korvane::bringWindowToFront(window);
    };
    QObject::connect(&intents, &korvane::DesktopIntentsService::requested, window, handle);
    handle(request);

    // For the start-up benchmark: say when the first frame is on screen.
    if (qEnvironmentVariableIsSet("KORVANE_REPORT_FIRST_FRAME")) {
        QObject::connect(
            window, &QQuickWindow::frameSwapped, window,
            [] { QTextStream(stdout) << "korvane: first frame" << Qt::endl; },
            Qt::SingleShotConnection);
    }

    // The engine is declared after the model, so the views go first.
    return QGuiApplication::exec();
}
