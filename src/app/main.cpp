#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Korvane_UiPlugin)

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("korvane"));
    QGuiApplication::setApplicationName(QStringLiteral("Korvane"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Korvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.korva.Korvane"));
    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        QQuickStyle::setStyle(QStringLiteral("Fusion"));

    QQmlApplicationEngine engine;
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &application,
        [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Korvane/Ui/Main.qml")));
    return QGuiApplication::exec();
}
