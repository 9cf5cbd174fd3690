// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "uiautomation/KeyboardKey.h"
#include "uiautomation/UIAutomationResult.h"
#include "uiautomation/UIElementDescription.h"

#include <QList>
#include <QString>
#include <qcoro/qcorotask.h>

namespace korvane {

// The accessibility tree of the frontmost application and synthetic input into it.
class UIAutomation {
public:
    virtual ~UIAutomation() = default;

    // Empty when access is not granted or nothing qualifies.
    virtual QCoro::Task<QList<UIElementDescription>> getVisibleElements() = 0;
    virtual QCoro::Task<UIAutomationResult> clickVisibleElement(QString name) = 0;
    virtual QCoro::Task<UIAutomationResult> focusField(QString name) = 0;
    virtual QCoro::Task<UIAutomationResult> pressKey(KeyboardKey key) = 0;
    virtual QCoro::Task<UIAutomationResult> typeText(QString text) = 0;
    virtual QCoro::Task<UIAutomationResult> typeText(QString text, QString field) = 0;
};

} // namespace korvane
