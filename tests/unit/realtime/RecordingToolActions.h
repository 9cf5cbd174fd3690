// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ComputerUseToolActions.h"
#include "uiautomation/KeyboardKey.h"

#include <QStringList>
#include <QTimer>
#include <qcoro/qcorotimer.h>

#include <chrono>

// Tool calls answered with a sentence naming the call ("Did <call>."), recorded in order.
class RecordingToolActions final : public korvane::ComputerUseToolActions {
public:
    using Result = QCoro::Task<korvane::ComputerUseResult>;

    QStringList calls{};
    // Each call waits this long on a timer before it answers.
    std::chrono::milliseconds delay{0};

    Result openApp(QString name) override { return answer(u"openApp "_qs + name); }
    Result openURL(QString text) override { return answer(u"openURL "_qs + text); }
    Result inspectUI() override { return answer(u"inspectUI"_qs); }
    Result clickElement(QString name) override { return answer(u"click "_qs + name); }
    Result typeText(QString text) override { return answer(u"type ["_qs + text + u']'); }
    Result typeText(QString text, QString field) override
    {
        return answer(u"type ["_qs + text + u"] into "_qs + field);
    }
    Result pressKey(korvane::KeyboardKey key) override
    {
        return answer(u"press "_qs + key.displayName);
    }
    Result searchWeb(QString query) override { return answer(u"search "_qs + query); }
    Result generateImage(QString prompt, std::optional<QString> ratio) override
    {
        return answer(u"image "_qs + prompt + u' ' + ratio.value_or(u"-"_qs));
    }
    Result getRecipe(QString dish) override { return answer(u"recipe "_qs + dish); }
    Result runPythonScript(QString code, korvane::ScriptPermissions permissions) override
    {
        return answer(u"script "_qs + code +
                      (permissions.network ? u" with network"_qs : QString()));
    }

private:
    Result answer(QString call)
    {
        calls.append(call);
        if (delay.count() > 0) {
            QTimer timer;
            timer.setSingleShot(true);
            timer.start(delay);
            co_await timer;
        }
        co_return korvane::ComputerUseResult{.summary = u"Did "_qs + call + u'.'};
    }
};
