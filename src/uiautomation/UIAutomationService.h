// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "uiautomation/UIAutomation.h"

#include <memory>

namespace korvane {

class AccessibilityTree;
class InputSynthesizer;
class Workspace;

// Reads and operates the frontmost application through the accessibility tree and synthetic
// input. Holds no state of its own: every call starts from the application in front at that
// moment. The blocking walks run on the automation thread and are awaited.
class UIAutomationService final : public UIAutomation {
public:
    UIAutomationService(std::shared_ptr<AccessibilityTree> tree,
                        std::shared_ptr<InputSynthesizer> input,
                        std::shared_ptr<Workspace> workspace);
    ~UIAutomationService() override;

    QCoro::Task<QList<UIElementDescription>> getVisibleElements() override;
    QCoro::Task<UIAutomationResult> clickVisibleElement(QString name) override;
    QCoro::Task<UIAutomationResult> focusField(QString name) override;
    QCoro::Task<UIAutomationResult> pressKey(KeyboardKey key) override;
    QCoro::Task<UIAutomationResult> typeText(QString text) override;
    QCoro::Task<UIAutomationResult> typeText(QString text, QString field) override;

    // One key press per Unicode scalar, in order; lone surrogates are skipped. False as soon
    // as one could not be posted.
    static bool postText(InputSynthesizer& input, QStringView text);

private:
    std::shared_ptr<AccessibilityTree> m_tree;
    std::shared_ptr<InputSynthesizer> m_input;
    std::shared_ptr<Workspace> m_workspace;
};

} // namespace korvane
