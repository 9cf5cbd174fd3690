#include "CliCommands.h"
#include "CliOutput.h"
#include "computeruse/MacComputerUseService.h"

#include <QJsonValue>

namespace korvane::cli {

namespace {

// Keys in the order the output promises; QJsonObject would sort them.
QString orderedObject(const QList<std::pair<QString, QJsonValue>>& fields)
{
    QString text = QStringLiteral("{");
    for (const auto& [key, value] : fields) {
        if (text.size() > 1)
            text += u',';
        text += compactJson(key) + u':' + compactJson(value);
    }
    return text + u'}';
}

QString artifactJson(const std::optional<Artifact>& artifact)
{
    if (!artifact)
        return QStringLiteral("null");
    return orderedObject({
        {QStringLiteral("kind"), rawValue(artifact->kind)},
        {QStringLiteral("title"), artifact->title},
        {QStringLiteral("status"), rawValue(artifact->status)},
        {QStringLiteral("body"), artifact->body},
        {QStringLiteral("imagePath"),
         artifact->imagePath ? QJsonValue(*artifact->imagePath) : QJsonValue(QJsonValue::Null)},
    });
}

} // namespace

int runRunCommand(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("run TEXT"));
    MacComputerUseService executor;
    const ComputerUseResult result = QCoro::waitFor(executor.execute(arguments.join(u' ')));
    printLine(u"{\"summary\":" + compactJson(result.summary) + u",\"artifact\":" +
              artifactJson(result.artifact) + u'}');
    return exitSuccess;
}

} // namespace korvane::cli
