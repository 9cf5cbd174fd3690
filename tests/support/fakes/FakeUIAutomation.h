// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "uiautomation/UIAutomation.h"

#include <QStringList>

namespace korvane::test {

// Scripted answers; every call is recorded as "operation(arguments)". Members are returned
// through std::as_const: co_return of a non-const lvalue moves from it.
class FakeUIAutomation final : public UIAutomation {
public:
    QList<UIElementDescription> elements{};
    UIAutomationResult answer = UIAutomationResult::succeeded(u"Done."_qs);
    // When set, pressKey answers this instead.
    std::optional<UIAutomationResult> pressKeyAnswer{};

    QStringList calls{};

    QCoro::Task<QList<UIElementDescription>> getVisibleElements() override
    {
        calls.append(u"getVisibleElements()"_qs);
        co_return std::as_const(elements);
    }
    QCoro::Task<UIAutomationResult> clickVisibleElement(QString name) override
    {
        co_return record(u"clickVisibleElement("_qs + name + u')');
    }
    QCoro::Task<UIAutomationResult> focusField(QString name) override
    {
        co_return record(u"focusField("_qs + name + u')');
    }
    QCoro::Task<UIAutomationResult> pressKey(KeyboardKey key) override
    {
        record(u"pressKey("_qs + key.displayName + u')');
        co_return pressKeyAnswer.value_or(answer);
    }
    QCoro::Task<UIAutomationResult> typeText(QString text) override
    {
        co_return record(u"typeText("_qs + text + u')');
    }
    QCoro::Task<UIAutomationResult> typeText(QString text, QString field) override
    {
        co_return record(u"typeText("_qs + text + u", "_qs + field + u')');
    }

private:
    UIAutomationResult record(const QString& call)
    {
        calls.append(call);
        return answer;
    }
};

} // namespace korvane::test
