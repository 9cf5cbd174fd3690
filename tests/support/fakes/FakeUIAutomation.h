// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "uiautomation/UIAutomation.h"

#include <QStringList>

namespace korvane::test {

// Scripted answers; every call is recorded as "operation(arguments)".
class FakeUIAutomation final : public UIAutomation {
public:
    QList<UIElementDescription> elements{};
    UIAutomationResult answer = UIAutomationResult::succeeded(QStringLiteral("Done."));
    // When set, pressKey answers this instead.
    std::optional<UIAutomationResult> pressKeyAnswer{};

    QStringList calls{};

    QCoro::Task<QList<UIElementDescription>> getVisibleElements() override;
    QCoro::Task<UIAutomationResult> clickVisibleElement(QString name) override;
    QCoro::Task<UIAutomationResult> focusField(QString name) override;
    QCoro::Task<UIAutomationResult> pressKey(KeyboardKey key) override;
    QCoro::Task<UIAutomationResult> typeText(QString text) override;
    QCoro::Task<UIAutomationResult> typeText(QString text, QString field) override;
};

} // namespace korvane::test
