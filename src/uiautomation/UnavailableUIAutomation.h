// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "uiautomation/UIAutomation.h"

namespace korvane {

// Until the accessibility backend exists: no tree can be read and no input posted, which is
// what a denied permission says.
class UnavailableUIAutomation final : public UIAutomation {
public:
    QCoro::Task<QList<UIElementDescription>> getVisibleElements() override;
    QCoro::Task<UIAutomationResult> clickVisibleElement(QString name) override;
    QCoro::Task<UIAutomationResult> focusField(QString name) override;
    QCoro::Task<UIAutomationResult> pressKey(KeyboardKey key) override;
    QCoro::Task<UIAutomationResult> typeText(QString text) override;
    QCoro::Task<UIAutomationResult> typeText(QString text, QString field) override;
};

} // namespace korvane
