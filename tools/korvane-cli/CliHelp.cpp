// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliHelp.h"

#include "core/Configuration.h"

#include <QStringList>

namespace korvane::cli {

namespace {

constexpr qsizetype lineWidth = 79;

const QString globalOptionsText =
    QStringLiteral("  -h, --help      Show this help.\n"
                   "  --version       Show the version.\n"
                   "  --generate man|bash-completion\n"
                   "                  Print the manual page or the bash completion script.\n");

const QString exitCodesText =
    QStringLiteral("Exit codes: 0 success, 1 failure, 2 usage error, 3 time-out.");

// Fills words into lines of at most `width` characters, each starting with `indent`.
QString wrapped(const QString& paragraph, qsizetype indent, qsizetype width = lineWidth)
{
    const QString prefix(indent, u' ');
    QString text;
    QString line;
    for (const QString& word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && prefix.size() + line.size() + 1 + word.size() > width) {
            text += prefix + line + u'\n';
            line.clear();
        }
        line += line.isEmpty() ? word : u' ' + word;
    }
    if (!line.isEmpty())
        text += prefix + line + u'\n';
    return text;
}

QStringList paragraphs(const QString& text)
{
    return text.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
}

QString optionLabel(const VerbOption& option)
{
    return option.valueName.isEmpty() ? option.name : option.name + u' ' + option.valueName;
}

// Text for roff: backslashes and hyphens escaped, no line may start with a control character.
QString roff(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\e"));
    escaped.replace(u'-', QStringLiteral("\\-"));
    QStringList lines = escaped.split(u'\n');
    for (QString& line : lines) {
        if (line.startsWith(u'.') || line.startsWith(u'\''))
            line.prepend(QStringLiteral("\\&"));
    }
    return lines.join(u'\n');
}

QString roffParagraphs(const QString& text)
{
    QStringList parts;
    for (const QString& paragraph : paragraphs(text))
        parts.append(roff(paragraph));
    return parts.join(QStringLiteral("\n.PP\n")) + u'\n';
}

QString bashWords(const QStringList& words)
{
    return u'"' + words.join(u' ') + u'"';
}

} // namespace

QString overviewText(const QList<Verb>& verbs)
{
    QString text = QStringLiteral(
        "Usage: korvane-cli COMMAND [ARGUMENTS]\n"
        "Korvane's headless front end: configuration, the phrase parsers, web search, the "
        "assistant\nand computer use, without the window.\n\nCommands:\n");
    for (const Verb& verb : verbs) {
        text += u"  " + verb.synopsis() + u'\n';
        text += wrapped(verb.summary + u'.', 6);
    }
    text += QStringLiteral("\nOptions:\n") + globalOptionsText + u'\n' + exitCodesText +
            QStringLiteral("\nRun 'korvane-cli help COMMAND' for a command's options.\n");
    return text;
}

QString verbHelpText(const Verb& verb)
{
    QString text = u"Usage: korvane-cli " + verb.synopsis() + QStringLiteral("\n\n") +
                   wrapped(verb.summary + u'.', 0);
    for (const QString& paragraph : paragraphs(verb.description))
        text += u'\n' + wrapped(paragraph, 0);
    if (!verb.options.isEmpty()) {
        text += QStringLiteral("\nOptions:\n");
        for (const VerbOption& option : verb.options)
            text += u"  " + optionLabel(option) + u'\n' + wrapped(option.text, 6);
    }
    return text;
}

QString manualPage(const QList<Verb>& verbs, const QString& version)
{
    QString page =
        QStringLiteral(".TH KORVANE\\-CLI 1 \"\" \"Korvane ") + roff(version) +
        QStringLiteral("\" \"User Commands\"\n"
                       ".SH NAME\n"
                       "korvane\\-cli \\- the headless front end of Korvane\n"
                       ".SH SYNOPSIS\n"
                       ".B korvane\\-cli\n"
                       ".I COMMAND\n"
                       "[\\fIARGUMENTS\\fR]\n"
                       ".br\n"
                       ".B korvane\\-cli\n"
                       "\\-\\-help | \\-\\-version | \\-\\-generate man|bash\\-completion\n"
                       ".SH DESCRIPTION\n"
                       "Korvane is a voice\\-first desktop assistant. korvane\\-cli "
                       "reaches its configuration, phrase parsers, web search, "
                       "assistant and computer use without the window; see\n"
                       ".BR korvane (1)\n"
                       "for the window.\n"
                       ".SH COMMANDS\n");
    for (const Verb& verb : verbs) {
        page += QStringLiteral(".SS \"") + roff(verb.synopsis()) + QStringLiteral("\"\n");
        page += roff(verb.summary + u'.') + QStringLiteral("\n.PP\n");
        page += roffParagraphs(verb.description);
        for (const VerbOption& option : verb.options) {
            page += QStringLiteral(".TP\n.B ") + roff(optionLabel(option)) + u'\n' +
                    roff(option.text) + u'\n';
        }
    }
    page += QStringLiteral(".SH ENVIRONMENT\n"
                           "Each value is read at every use: from the process environment, "
                           "else from the first .env.local file that holds it (see FILES).\n");
    for (const Configuration::Key& key : Configuration::keys()) {
        page += QStringLiteral(".TP\n.B ") + roff(key.name) + u'\n' + roff(key.meaning);
        if (!key.defaultValue.isEmpty())
            page += QStringLiteral(" (default ") + roff(key.defaultValue) + u')';
        page += QStringLiteral(".\n");
    }
    page += QStringLiteral(
        ".TP\n.B KORVANE_ENV_FILES\n"
        "Colon\\-separated .env.local paths that replace the usual list; empty reads none.\n"
        ".SH FILES\n"
        ".TP\n.I ~/.config/korvane/.env.local\n"
        "The user's configuration, lines of KEY=value.\n"
        ".TP\n.I ~/.config/korvane/Korvane.conf\n"
        "The settings of the window.\n"
        ".TP\n.I ~/.local/state/korvane/app_debug.log\n"
        "The debug log.\n"
        ".SH EXIT STATUS\n"
        "0 success, 1 failure, 2 usage error, 3 time\\-out.\n"
        ".SH SEE ALSO\n"
        ".BR korvane (1)\n");
    return page;
}

QString bashCompletion(const QList<Verb>& verbs)
{
    QStringList names;
    QString cases;
    for (const Verb& verb : verbs) {
        names.append(verb.name);
        QStringList options;
        QStringList pathOptions;
        for (const VerbOption& option : verb.options) {
            options.append(option.name);
            if (option.takesPath)
                pathOptions.append(option.name);
        }
        if (verb.name == u"help")
            options = names;
        if (options.isEmpty())
            continue;
        cases += u"    " + verb.name + QStringLiteral(")\n");
        if (!pathOptions.isEmpty()) {
            cases += QStringLiteral("        case $prev in ") + pathOptions.join(u'|') +
                     QStringLiteral(") COMPREPLY=($(compgen -f -- \"$cur\")); return ;; esac\n");
        }
        cases += QStringLiteral("        COMPREPLY=($(compgen -W ") + bashWords(options) +
                 QStringLiteral(" -- \"$cur\")) ;;\n");
    }
    return QStringLiteral("# bash completion for korvane-cli -*- shell-script -*-\n"
                          "_korvane_cli()\n{\n"
                          "    local cur=${COMP_WORDS[COMP_CWORD]} "
                          "prev=${COMP_WORDS[COMP_CWORD-1]}\n"
                          "    if ((COMP_CWORD == 1)); then\n"
                          "        COMPREPLY=($(compgen -W ") +
           bashWords(names + QStringList{QStringLiteral("--help"), QStringLiteral("--version"),
                                         QStringLiteral("--generate")}) +
           QStringLiteral(" -- \"$cur\"))\n"
                          "        return\n"
                          "    fi\n"
                          "    case ${COMP_WORDS[1]} in\n") +
           cases +
           QStringLiteral("    --generate) COMPREPLY=($(compgen -W \"man bash-completion\" -- "
                          "\"$cur\")) ;;\n"
                          "    esac\n"
                          "}\n"
                          "complete -F _korvane_cli korvane-cli\n");
}

} // namespace korvane::cli
