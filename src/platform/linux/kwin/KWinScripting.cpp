// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/kwin/KWinScripting.h"

#include "platform/linux/kwin/KWinScriptReply.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTimer>
#include <QUuid>

namespace korvane {

Q_LOGGING_CATEGORY(lcKWin, "korvane.platform.kwin")

namespace {

using namespace std::chrono_literals;

const QString kwinService = QStringLiteral("org.kde.KWin");
const QString scriptingPath = QStringLiteral("/Scripting");
const QString scriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
constexpr int callTimeoutMs = 2000;
constexpr auto replyTimeout = 1500ms;

// The windows of one process, as the script reports them: KWin 6 names the list and the
// active window differently from KWin 5, so both are tried. The surface's place is the
// buffer geometry where KWin has one (frames add decorations around it).
constexpr char windowsOfProcess[] = R"(
(function () {
    const all = workspace.windowList ? workspace.windowList() : workspace.clientList();
    const found = [];
    for (const w of all) {
        if (w.pid !== %1 || !w.normalWindow)
            continue;
        const g = w.bufferGeometry || w.frameGeometry;
        found.push({ caption: w.caption, x: g.x, y: g.y });
        if (%2) {
            w.minimized = false;
            if ("activeWindow" in workspace)
                workspace.activeWindow = w;
            else
                workspace.activeClient = w;
            break;
        }
    }
    callDBus("%3", "%4", "%5", "windows", JSON.stringify(found));
})();
)";

QDBusMessage scriptingCall(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(kwinService, scriptingPath, scriptingInterface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, callTimeoutMs);
}

// Runs the script and waits for its report; absent when KWin is missing or did not answer.
std::optional<QJsonArray> runWindowsScript(qint64 processId, bool activate)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString replyTo = bus.baseService();
    // Only the bus's own unique name and our own path go into the script.
    static const QRegularExpression uniqueName(QStringLiteral("^:[0-9.]+$"));
    if (!bus.isConnected() || !uniqueName.match(replyTo).hasMatch() || processId <= 0)
        return std::nullopt;

    KWinScriptReply reply;
    const QString path = QStringLiteral("/com/korva/Korvane/KWinReply/") +
                         QUuid::createUuid().toString(QUuid::Id128);
    if (!bus.registerObject(path, &reply, QDBusConnection::ExportScriptableSlots))
        return std::nullopt;

    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/korvane-kwin-XXXXXX.js"));
    const QString source = QString::fromLatin1(windowsOfProcess)
                               .arg(processId)
                               .arg(activate ? QStringLiteral("true") : QStringLiteral("false"))
                               .arg(replyTo, path, KWinScriptReply::interfaceName);
    std::optional<QJsonArray> windows;
    if (file.open() && file.write(source.toUtf8()) > 0 && file.flush()) {
        const QString plugin =
            QStringLiteral("korvane-") + QUuid::createUuid().toString(QUuid::Id128);
        const QDBusMessage loaded =
            scriptingCall(QStringLiteral("loadScript"), {file.fileName(), plugin});
        if (loaded.type() == QDBusMessage::ReplyMessage) {
            QEventLoop loop;
            QObject::connect(&reply, &KWinScriptReply::received, &loop, &QEventLoop::quit);
            QTimer::singleShot(replyTimeout, &loop, &QEventLoop::quit);
            scriptingCall(QStringLiteral("start"), {});
            if (!reply.answer())
                loop.exec();
            scriptingCall(QStringLiteral("unloadScript"), {plugin});
            if (const std::optional<QString> answer = reply.answer())
                windows = QJsonDocument::fromJson(answer->toUtf8()).array();
            else
                qCWarning(lcKWin) << "KWin did not run the window script in time";
        }
    }
    bus.unregisterObject(path);
    return windows;
}

} // namespace

bool KWinScripting::activateWindowOf(qint64 processId)
{
    const std::optional<QJsonArray> windows = runWindowsScript(processId, true);
    return windows && !windows->isEmpty();
}

std::optional<QPointF> KWinScripting::windowOrigin(qint64 processId, const QString& title)
{
    const std::optional<QJsonArray> windows = runWindowsScript(processId, false);
    if (!windows)
        return std::nullopt;
    std::optional<QPointF> origin;
    for (const QJsonValue& value : *windows) {
        const QJsonObject window = value.toObject();
        // The only window of the process is its window whatever its title says; of several,
        // only one with that very title.
        if (windows->size() > 1 && window.value(u"caption").toString() != title)
            continue;
        if (origin)
            return std::nullopt; // two windows with one title: which one is unknown
        origin = QPointF(window.value(u"x").toDouble(), window.value(u"y").toDouble());
    }
    return origin;
}

} // namespace korvane
