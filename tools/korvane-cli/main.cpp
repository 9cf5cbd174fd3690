#include "CliCommands.h"
#include "CliOutput.h"
#include "platform/linux/atspi/AtspiAccessibilityTree.h"

#include <QCoreApplication>

#include <functional>

using namespace korvane::cli;

namespace {

struct Subcommand {
    QString name;
    QString synopsis;
    std::function<int(const QStringList&)> run;
};

QList<Subcommand> subcommands()
{
    return {
        {QStringLiteral("config"), QStringLiteral("config"), runConfigCommand},
        {QStringLiteral("parse"), QStringLiteral("parse TEXT"), runParseCommand},
        {QStringLiteral("key"), QStringLiteral("key TEXT"), runKeyCommand},
        {QStringLiteral("search"), QStringLiteral("search QUERY"), runSearchCommand},
        {QStringLiteral("ask"), QStringLiteral("ask [--timeout SECONDS] PROMPT..."), runAskCommand},
        {QStringLiteral("run"), QStringLiteral("run TEXT"), runRunCommand},
    };
}

int printUsage()
{
    printError(QStringLiteral("usage: korvane-cli COMMAND [ARGUMENTS]"));
    printError(QStringLiteral("commands:"));
    for (const Subcommand& command : subcommands())
        printError(QStringLiteral("  korvane-cli ") + command.synopsis);
    return exitUsage;
}

} // namespace

int main(int argc, char* argv[])
{
    korvane::AtspiAccessibilityTree::prepareProcess();
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("korvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvane"));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return printUsage();
    const QString name = arguments.takeFirst();
    for (const Subcommand& command : subcommands()) {
        if (command.name == name)
            return command.run(arguments);
    }
    printError(QStringLiteral("korvane-cli: unknown command '") + name + u'\'');
    return printUsage();
}
