// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ComputerUseToolActions.h"

#include <QStringList>

#include <chrono>

// Tool calls answered with a sentence naming the call, recorded in order.
class RecordingToolActions final : public korvane::ComputerUseToolActions {
public:
    QStringList calls{};
    // Each call waits this long on a timer before it answers.
    std::chrono::milliseconds delay{0};

    QCoro::Task<korvane::ComputerUseResult> openApp(QString name) override;
    QCoro::Task<korvane::ComputerUseResult> openURL(QString text) override;
    QCoro::Task<korvane::ComputerUseResult> inspectUI() override;
    QCoro::Task<korvane::ComputerUseResult> clickElement(QString name) override;
    QCoro::Task<korvane::ComputerUseResult> typeText(QString text) override;
    QCoro::Task<korvane::ComputerUseResult> typeText(QString text, QString field) override;
    QCoro::Task<korvane::ComputerUseResult> pressKey(korvane::KeyboardKey key) override;
    QCoro::Task<korvane::ComputerUseResult> searchWeb(QString query) override;
    QCoro::Task<korvane::ComputerUseResult>
    generateImage(QString prompt, std::optional<QString> aspectRatio) override;
    QCoro::Task<korvane::ComputerUseResult> getRecipe(QString dish) override;
    QCoro::Task<korvane::ComputerUseResult>
    runPythonScript(QString code, korvane::ScriptPermissions permissions) override;

private:
    QCoro::Task<korvane::ComputerUseResult> answer(QString call);
};
