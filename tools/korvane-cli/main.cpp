// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"
#include "CliHelp.h"
#include "CliOutput.h"
#include "platform/linux/atspi/AtspiAccessibilityTree.h"

#include <QCoreApplication>

using namespace korvane::cli;

namespace {

const QString version = QStringLiteral(KORVANE_VERSION);

QList<Verb> verbs();

std::optional<Verb> findVerb(const QString& name)
{
    for (const Verb& verb : verbs()) {
        if (verb.name == name)
            return verb;
    }
    return std::nullopt;
}

int printUsage()
{
    printError(QStringLiteral("usage: korvane-cli COMMAND [ARGUMENTS]"));
    printError(QStringLiteral("commands:"));
    for (const Verb& verb : verbs())
        printError(QStringLiteral("  korvane-cli ") + verb.synopsis());
    printError(QStringLiteral("Run 'korvane-cli --help' for more."));
    return exitUsage;
}

// Text that already ends with a line feed.
int printText(const QString& text)
{
    printLine(text.chopped(text.endsWith(u'\n') ? 1 : 0));
    return exitSuccess;
}

int runHelpCommand(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return printText(overviewText(verbs()));
    if (arguments.size() != 1)
        return usageError(QStringLiteral("help [COMMAND]"));
    if (const std::optional<Verb> verb = findVerb(arguments.first()))
        return printText(verbHelpText(*verb));
    printError(QStringLiteral("korvane-cli: no command '") + arguments.first() +
               QStringLiteral("'; 'korvane-cli --help' lists them."));
    return exitUsage;
}

Verb helpVerb()
{
    return {
        .name = QStringLiteral("help"),
        .arguments = QStringLiteral("[COMMAND]"),
        .summary = QStringLiteral("Describe a command and its options, or list the commands"),
        .run = runHelpCommand,
    };
}

QList<Verb> verbs()
{
    return {configVerb(), parseVerb(), keyVerb(),    searchVerb(),
            askVerb(),    runVerb(),   listenVerb(), helpVerb()};
}

int runGenerate(const QStringList& arguments)
{
    if (arguments == QStringList{QStringLiteral("man")})
        return printText(manualPage(verbs(), version));
    if (arguments == QStringList{QStringLiteral("bash-completion")})
        return printText(bashCompletion(verbs()));
    return usageError(QStringLiteral("--generate man|bash-completion"));
}

} // namespace

int main(int argc, char* argv[])
{
    korvane::AtspiAccessibilityTree::prepareProcess();
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("korvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvane"));
    QCoreApplication::setApplicationVersion(version);

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return printUsage();
    const QString name = arguments.takeFirst();
    if (name == u"--help" || name == u"-h")
        return arguments.isEmpty() ? printText(overviewText(verbs())) : printUsage();
    if (name == u"--version")
        return arguments.isEmpty() ? printText(u"korvane-cli " + version) : printUsage();
    if (name == u"--generate")
        return runGenerate(arguments);
    if (const std::optional<Verb> verb = findVerb(name))
        return verb->run(arguments);
    printError(QStringLiteral("korvane-cli: unknown command '") + name + u'\'');
    return printUsage();
}
