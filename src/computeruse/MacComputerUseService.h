#pragma once

#include "computeruse/ComputerUseBackends.h"
#include "computeruse/ComputerUseService.h"
#include "computeruse/command/ComputerUseCommand.h"
#include "core/ComputerUseResult.h"

#include <QList>
#include <QString>
#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>

namespace korvane {

struct ComputerUseContext;
struct UIAutomationResult;

// Where a command becomes an action on the desktop. Holds no state of its own: every
// operation starts from what the desktop shows at that moment, and answers with one sentence
// (and sometimes an artifact), failures included. An operation keeps its backends alive by
// itself, so the service may be destroyed while one is still running.
class MacComputerUseService final : public ComputerUseService {
public:
    // Every port of `backends` must be given (the composition root gives this desktop's);
    // the search and the pacing default to the shared web search and real timers.
    explicit MacComputerUseService(ComputerUseBackends backends);
    ~MacComputerUseService() override;

    QCoro::Task<ComputerUseResult> execute(QString text) override;
    QCoro::Task<ComputerUseResult> executeTypedCommand(QString text) override;
    QCoro::Task<ComputerUseResult> execute(ComputerUseCommand command);
    QCoro::Task<ComputerUseResult> executeSequence(QList<ComputerUseCommand> commands);

    QCoro::Task<ComputerUseResult> openApp(QString name);
    QCoro::Task<ComputerUseResult> openURL(QString text);
    QCoro::Task<ComputerUseResult> inspectUI() override;
    QCoro::Task<ComputerUseResult> clickElement(QString name);
    QCoro::Task<ComputerUseResult> typeText(QString text);
    QCoro::Task<ComputerUseResult> typeText(QString text, QString field);
    QCoro::Task<ComputerUseResult> focusField(QString name);
    QCoro::Task<ComputerUseResult> pressKey(KeyboardKey key);
    QCoro::Task<ComputerUseResult> searchWeb(QString query);
    QCoro::Task<ComputerUseResult> closeWebsite(QString text);
    QCoro::Task<ComputerUseResult> closeActiveBrowserTab();
    QCoro::Task<ComputerUseResult> createBlankPagesDocument();

    QCoro::Task<ComputerUseResult> openMusic();
    QCoro::Task<ComputerUseResult> stopMusic();
    QCoro::Task<ComputerUseResult> resumeMusic();
    QCoro::Task<ComputerUseResult> playMusic(QString query, MusicScope scope);

    QCoro::Task<ComputerUseResult> generateImage(QString prompt,
                                                 std::optional<QString> aspectRatio);
    QCoro::Task<ComputerUseResult> getRecipe(QString dish);
    QCoro::Task<ComputerUseResult> runPythonScript(QString code,
                                                   ScriptPermissions permissions) override;

    // What to turn on when the accessibility tree cannot be read.
    static QString permissionSentence();
    static QString summary(const UIAutomationResult& result);

private:
    std::shared_ptr<const ComputerUseContext> m_context;
};

} // namespace korvane
