// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/MacComputerUseService.h"

#include "computeruse/ComputerUseOperations.h"
#include "search/WebSearchService.h"
#include "uiautomation/KeyboardKey.h"

namespace korvane {

namespace {

std::shared_ptr<const ComputerUseContext> makeContext(ComputerUseBackends backends)
{
    auto context = std::make_shared<ComputerUseContext>();
    const PlatformPorts& ports = backends.ports;
    Q_ASSERT(ports.workspace && ports.applications && ports.uiAutomation && ports.browsers &&
             ports.music && ports.documents);
    context->ports = std::move(backends.ports);
    context->search = backends.search ? std::move(backends.search) : [](QString query) {
        return WebSearchService::shared().search(std::move(query));
    };
    context->pacing =
        backends.pacing ? std::move(backends.pacing) : std::make_shared<TimerPacing>();
    return context;
}

} // namespace

MacComputerUseService::MacComputerUseService(ComputerUseBackends backends)
    : m_context(makeContext(std::move(backends)))
{
}

MacComputerUseService::~MacComputerUseService() = default;

QCoro::Task<ComputerUseResult> MacComputerUseService::execute(QString text)
{
    return operations::executeText(m_context, std::move(text));
}

QCoro::Task<ComputerUseResult> MacComputerUseService::executeTypedCommand(QString text)
{
    return operations::executeTypedText(m_context, std::move(text));
}

QCoro::Task<ComputerUseResult> MacComputerUseService::execute(ComputerUseCommand command)
{
    return operations::execute(m_context, std::move(command));
}

QCoro::Task<ComputerUseResult> MacComputerUseService::openApp(QString name)
{
    return operations::openApp(m_context, std::move(name));
}

QCoro::Task<ComputerUseResult> MacComputerUseService::openURL(QString text)
{
    return operations::openURL(m_context, std::move(text));
}

QCoro::Task<ComputerUseResult> MacComputerUseService::inspectUI()
{
    return operations::inspectUI(m_context);
}

QCoro::Task<ComputerUseResult> MacComputerUseService::clickElement(QString name)
{
    return operations::clickElement(m_context, std::move(name));
}

QCoro::Task<ComputerUseResult> MacComputerUseService::typeText(QString text)
{
    return operations::typeText(m_context, std::move(text));
}

QCoro::Task<ComputerUseResult> MacComputerUseService::typeText(QString text, QString field)
{
    return operations::typeTextIntoField(m_context, std::move(text), std::move(field));
}

QCoro::Task<ComputerUseResult> MacComputerUseService::pressKey(KeyboardKey key)
{
    return operations::pressKey(m_context, std::move(key));
}

QCoro::Task<ComputerUseResult> MacComputerUseService::searchWeb(QString query)
{
    return operations::searchWeb(m_context, std::move(query));
}

QCoro::Task<ComputerUseResult> MacComputerUseService::generateImage(QString prompt,
                                                                    std::optional<QString> ratio)
{
    co_return operations::generateImage(prompt, ratio);
}

QCoro::Task<ComputerUseResult> MacComputerUseService::getRecipe(QString dish)
{
    return operations::getRecipe(std::move(dish));
}

QCoro::Task<ComputerUseResult> MacComputerUseService::runPythonScript(QString code,
                                                                      ScriptPermissions permissions)
{
    return operations::runPythonScript(std::move(code), permissions);
}

} // namespace korvane
