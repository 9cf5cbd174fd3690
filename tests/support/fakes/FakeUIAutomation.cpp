// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeUIAutomation.h"

// Members are returned through std::as_const: co_return of a non-const lvalue moves from it.
namespace korvane::test {

QCoro::Task<QList<UIElementDescription>> FakeUIAutomation::getVisibleElements()
{
    calls.append(QStringLiteral("getVisibleElements()"));
    co_return std::as_const(elements);
}

QCoro::Task<UIAutomationResult> FakeUIAutomation::clickVisibleElement(QString name)
{
    calls.append(QStringLiteral("clickVisibleElement(") + name + u')');
    co_return std::as_const(answer);
}

QCoro::Task<UIAutomationResult> FakeUIAutomation::focusField(QString name)
{
    calls.append(QStringLiteral("focusField(") + name + u')');
    co_return std::as_const(answer);
}

QCoro::Task<UIAutomationResult> FakeUIAutomation::pressKey(KeyboardKey key)
{
    calls.append(QStringLiteral("pressKey(") + key.displayName + u')');
    co_return pressKeyAnswer.value_or(answer);
}

QCoro::Task<UIAutomationResult> FakeUIAutomation::typeText(QString text)
{
    calls.append(QStringLiteral("typeText(") + text + u')');
    co_return std::as_const(answer);
}

QCoro::Task<UIAutomationResult> FakeUIAutomation::typeText(QString text, QString field)
{
    calls.append(QStringLiteral("typeText(") + text + QStringLiteral(", ") + field + u')');
    co_return std::as_const(answer);
}

} // namespace korvane::test
