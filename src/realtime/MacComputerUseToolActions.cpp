#include "realtime/MacComputerUseToolActions.h"

#include "computeruse/MacComputerUseService.h"
#include "uiautomation/KeyboardKey.h"

namespace korvane {

// Each operation keeps the service alive until it has answered.

MacComputerUseToolActions::MacComputerUseToolActions(std::shared_ptr<MacComputerUseService> service)
    : m_service(std::move(service))
{
}

QCoro::Task<ComputerUseResult> MacComputerUseToolActions::openApp(QString name)
{
    const std::shared_ptr<MacComputerUseService> service = m_service;
    co_return co_await service->openApp(std::move(name));
}

QCoro::Task<ComputerUseResult> MacComputerUseToolActions::openURL(QString text)
{
    const std::shared_ptr<MacComputerUseService> service = m_service;
    co_return co_await service->openURL(std::move(text));
}

QCoro::Task<ComputerUseResult> MacComputerUseToolActions::inspectUI()
{
    const std::shared_ptr<MacComputerUseService> service = m_service;
    co_return co_await service->inspectUI();
}

QCoro::Task<ComputerUseResult> MacComputerUseToolActions::clickElement(QString name)
{
    const std::shared_ptr<MacComputerUseService> service = m_service;
    co_return co_await service->clickElement(std::move(name));
}

QCoro::Task<ComputerUseResult> MacComputerUseToolActions::typeText(QString text)
{
    const std::shared_ptr<MacComputerUseService> service = m_service;
    co_return co_await service->typeText(std::move(text));
}

QCoro::Task<ComputerUseResult> MacComputerUseToolActions::typeText(QString text, QString field)
{
    const std::shared_ptr<MacComputerUseService> service = m_service;
    co_return co_await service->typeText(std::move(text), std::move(field));
}

QCoro::Task<ComputerUseResult> MacComputerUseToolActions::pressKey(KeyboardKey key)
{
    const std::shared_ptr<MacComputerUseService> service = m_service;
    co_return co_await service->pressKey(std::move(key));
}

QCoro::Task<ComputerUseResult> MacComputerUseToolActions::searchWeb(QString query)
{
    const std::shared_ptr<MacComputerUseService> service = m_service;
    co_return co_await service->searchWeb(std::move(query));
}

QCoro::Task<ComputerUseResult>
MacComputerUseToolActions::generateImage(QString prompt, std::optional<QString> aspectRatio)
{
    const std::shared_ptr<MacComputerUseService> service = m_service;
    co_return co_await service->generateImage(std::move(prompt), std::move(aspectRatio));
}

QCoro::Task<ComputerUseResult> MacComputerUseToolActions::getRecipe(QString dish)
{
    const std::shared_ptr<MacComputerUseService> service = m_service;
    co_return co_await service->getRecipe(std::move(dish));
}

QCoro::Task<ComputerUseResult>
MacComputerUseToolActions::runPythonScript(QString code, ScriptPermissions permissions)
{
    const std::shared_ptr<MacComputerUseService> service = m_service;
    co_return co_await service->runPythonScript(std::move(code), permissions);
}

} // namespace korvane
