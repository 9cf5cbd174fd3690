// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppIntentRouter.h"
#include "app/AppModel.h"
#include "app/ApplicationComposition.h"
#include "app/HoldToTalk.h"
#include "app/UserSettings.h"
#include "platform/linux/atspi/AtspiAccessibilityTree.h"
#include "platform/linux/desktop/DesktopIntentsService.h"
#include "platform/linux/desktop/DesktopWindowActivator.h"
#include "platform/linux/desktop/LaunchRequest.h"
#include "platform/linux/desktop/LaunchRouting.h"
#include "platform/linux/desktop/LoginStartup.h"
#include "platform/linux/desktop/StatusTrayIcon.h"
#include "platform/linux/desktop/WindowActivation.h"

#include <QApplication>
#include <QDBusConnection>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTextStream>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Korvane_UiPlugin)

namespace {

constexpr int exitUsage = 2;

const char* usage = "Usage: korvane [--open-section chat|search] [--note TEXT] [--background]\n"
                    "Starts Korvane, or hands the request to the Korvane that is running.\n"
                    "  --background  start with the window hidden, listening for \"Hey Korva\"\n"
                    "  --version     show the version\n";

QStringList argumentList(int argc, char* argv[])
{
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    return arguments;
}

} // namespace

int main(int argc, char* argv[])
{
    // Help and version need no display.
    const korvane::LaunchArguments arguments =
        korvane::parseLaunchArguments(argumentList(argc, argv));
    QTextStream err(stderr);
    if (arguments.helpRequested) {
        QTextStream(stdout) << usage;
        return 0;
    }
    if (arguments.versionRequested) {
        QTextStream(stdout) << "korvane " << KORVANE_VERSION << '\n';
        return 0;
    }
    if (!arguments.request) {
        err << "korvane: " << arguments.error << '\n' << usage;
        return exitUsage;
    }
    const korvane::LaunchRequest request = *arguments.request;

    // Widgets only for the tray icon's menu; the window is Qt Quick.
    korvane::AtspiAccessibilityTree::prepareProcess();
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("korvane"));
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Korvane"));
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.korva.Korvane"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("com.korva.Korvane"),
                         QIcon(QStringLiteral(":/korvane/com.korva.Korvane.svg"))));

    // One instance per session: when the name is taken, the running one gets the request.
    QDBusConnection bus = QDBusConnection::sessionBus();
    korvane::DesktopIntentsService intents;
    if (bus.isConnected() && !intents.registerOn(bus)) {
        // A login start finds Korvane already running: nothing to hand over.
        if (arguments.startHidden && request.intent == korvane::LaunchRequest::Intent::activate)
            return 0;
        if (korvane::forwardToRunningInstance(bus, request))
            return 0;
        err << "korvane: another instance holds " << korvane::DesktopIntentsService::serviceName
            << " but does not answer; starting without desktop intents.\n";
    }

    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        QQuickStyle::setStyle(QStringLiteral("Fusion"));

    korvane::UserSettings settings;
    korvane::LoginStartup loginStartup(settings, QApplication::applicationFilePath());
    korvane::ApplicationModelOptions options;
    options.bargeInAllowed = [&settings] { return settings.interruptAnswersBySpeaking(); };
    const korvane::DesktopBackends desktop = korvane::composeDesktop();
    std::unique_ptr<korvane::AppModel> model = korvane::makeApplicationModel(options, desktop);
    korvane::HoldToTalk holdToTalk(korvane::makeGlobalShortcut(desktop.session), model.get(),
                                   &settings);

    QQmlApplicationEngine engine;
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &application,
        [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.setInitialProperties({
        {QStringLiteral("appModel"), QVariant::fromValue(static_cast<QObject*>(model.get()))},
        {QStringLiteral("userSettings"), QVariant::fromValue(static_cast<QObject*>(&settings))},
        {QStringLiteral("loginStartup"), QVariant::fromValue(static_cast<QObject*>(&loginStartup))},
        {QStringLiteral("holdToTalk"), QVariant::fromValue(static_cast<QObject*>(&holdToTalk))},
    });
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Korvane/Ui/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());

    auto activator =
        std::make_shared<korvane::DesktopWindowActivator>(window, desktop.raiseWindowOf);
    model->setWindowActivator(activator);
    model->followIntentRouter(korvane::AppIntentRouter::shared());

    // With the login setting on, closing the window leaves Korvane listening in the background.
    const auto followLoginSetting = [&] {
        QApplication::setQuitOnLastWindowClosed(!loginStartup.enabled());
    };
    followLoginSetting();
    QObject::connect(&loginStartup, &korvane::LoginStartup::enabledChanged, &application,
                     followLoginSetting);
    korvane::StatusTrayIcon tray(
        *model, {
                    .openWindow = [window] { korvane::bringWindowToFront(window); },
                    .quit = [] { QCoreApplication::quit(); },
                });
    tray.show();

    // A launcher's request carries the right to take the focus where the desktop asks for one.
    const auto handle = [window](const korvane::LaunchRequest& launch) {
        korvane::routeLaunchRequest(launch, korvane::AppIntentRouter::shared());
        korvane::bringWindowToFront(window);
    };
    QObject::connect(&intents, &korvane::DesktopIntentsService::requested, window, handle);
    if (arguments.startHidden)
        korvane::routeLaunchRequest(request, korvane::AppIntentRouter::shared());
    else
        handle(request);

    // For the start-up benchmark: say when the first frame is on screen.
    if (qEnvironmentVariableIsSet("KORVANE_REPORT_FIRST_FRAME")) {
        QObject::connect(
            window, &QQuickWindow::frameSwapped, window,
            [] { QTextStream(stdout) << "korvane: first frame" << Qt::endl; },
            Qt::SingleShotConnection);
    }

    // The engine is declared after the model, so the views go first.
    return QApplication::exec();
}
