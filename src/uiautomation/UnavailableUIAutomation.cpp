// SPDX-License-Identifier: GPL-3.0-or-later
#include "uiautomation/UnavailableUIAutomation.h"

namespace korvane {

QCoro::Task<QList<UIElementDescription>> UnavailableUIAutomation::getVisibleElements()
{
    co_return QList<UIElementDescription>{};
}

QCoro::Task<UIAutomationResult> UnavailableUIAutomation::clickVisibleElement(QString)
{
    co_return UIAutomationResult::accessibilityDenied();
}

QCoro::Task<UIAutomationResult> UnavailableUIAutomation::focusField(QString)
{
    co_return UIAutomationResult::accessibilityDenied();
}

QCoro::Task<UIAutomationResult> UnavailableUIAutomation::pressKey(KeyboardKey)
{
    co_return UIAutomationResult::accessibilityDenied();
}

QCoro::Task<UIAutomationResult> UnavailableUIAutomation::typeText(QString)
{
    co_return UIAutomationResult::accessibilityDenied();
}

QCoro::Task<UIAutomationResult> UnavailableUIAutomation::typeText(QString, QString)
{
    co_return UIAutomationResult::accessibilityDenied();
}

} // namespace korvane
