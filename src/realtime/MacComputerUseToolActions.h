#pragma once

#include "realtime/ComputerUseToolActions.h"

#include <memory>

namespace korvane {

class MacComputerUseService;

// Tool calls carried out by the desktop's computer-use service.
class MacComputerUseToolActions final : public ComputerUseToolActions {
public:
    explicit MacComputerUseToolActions(std::shared_ptr<MacComputerUseService> service);

    QCoro::Task<ComputerUseResult> openApp(QString name) override;
    QCoro::Task<ComputerUseResult> openURL(QString text) override;
    QCoro::Task<ComputerUseResult> inspectUI() override;
    QCoro::Task<ComputerUseResult> clickElement(QString name) override;
    QCoro::Task<ComputerUseResult> typeText(QString text) override;
    QCoro::Task<ComputerUseResult> typeText(QString text, QString field) override;
    QCoro::Task<ComputerUseResult> pressKey(KeyboardKey key) override;
    QCoro::Task<ComputerUseResult> searchWeb(QString query) override;
    QCoro::Task<ComputerUseResult> generateImage(QString prompt,
                                                 std::optional<QString> aspectRatio) override;
    QCoro::Task<ComputerUseResult> getRecipe(QString dish) override;
    QCoro::Task<ComputerUseResult> runPythonScript(QString code,
                                                   ScriptPermissions permissions) override;

private:
    std::shared_ptr<MacComputerUseService> m_service;
};

} // namespace korvane
