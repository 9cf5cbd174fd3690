// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingToolActions.h"

#include "uiautomation/KeyboardKey.h"

#include <QTimer>
#include <qcoro/qcorotimer.h>

using namespace korvane;

QCoro::Task<ComputerUseResult> RecordingToolActions::answer(QString call)
{
    calls.append(call);
    if (delay.count() > 0) {
        QTimer timer;
        timer.setSingleShot(true);
        timer.start(delay);
        co_await timer;
    }
    co_return ComputerUseResult{.summary = QStringLiteral("Did ") + call + u'.'};
}

QCoro::Task<ComputerUseResult> RecordingToolActions::openApp(QString name)
{
    return answer(QStringLiteral("openApp ") + name);
}

QCoro::Task<ComputerUseResult> RecordingToolActions::openURL(QString text)
{
    return answer(QStringLiteral("openURL ") + text);
}

QCoro::Task<ComputerUseResult> RecordingToolActions::inspectUI()
{
    return answer(QStringLiteral("inspectUI"));
}

QCoro::Task<ComputerUseResult> RecordingToolActions::clickElement(QString name)
{
    return answer(QStringLiteral("click ") + name);
}

QCoro::Task<ComputerUseResult> RecordingToolActions::typeText(QString text)
{
    return answer(QStringLiteral("type [") + text + u']');
}

QCoro::Task<ComputerUseResult> RecordingToolActions::typeText(QString text, QString field)
{
    return answer(QStringLiteral("type [") + text + QStringLiteral("] into ") + field);
}

QCoro::Task<ComputerUseResult> RecordingToolActions::pressKey(KeyboardKey key)
{
    return answer(QStringLiteral("press ") + key.displayName);
}

QCoro::Task<ComputerUseResult> RecordingToolActions::searchWeb(QString query)
{
    return answer(QStringLiteral("search ") + query);
}

QCoro::Task<ComputerUseResult> RecordingToolActions::generateImage(QString prompt,
                                                                   std::optional<QString> ratio)
{
    return answer(QStringLiteral("image ") + prompt + u' ' + ratio.value_or(u"-"_qs));
}

QCoro::Task<ComputerUseResult> RecordingToolActions::getRecipe(QString dish)
{
    return answer(QStringLiteral("recipe ") + dish);
}

QCoro::Task<ComputerUseResult> RecordingToolActions::runPythonScript(QString code,
                                                                     ScriptPermissions permissions)
{
    return answer(QStringLiteral("script ") + code +
                  (permissions.network ? QStringLiteral(" with network") : QString()));
}
