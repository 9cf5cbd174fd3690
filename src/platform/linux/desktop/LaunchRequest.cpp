// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop/LaunchRequest.h"

#include <QCommandLineParser>

namespace korvane {

LaunchArguments parseLaunchArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption section(QStringLiteral("open-section"),
                                     QStringLiteral("Open the chat or search section."),
                                     QStringLiteral("SECTION"));
    const QCommandLineOption note(QStringLiteral("note"),
                                  QStringLiteral("Start a note with TEXT in the composer."),
                                  QStringLiteral("TEXT"));
    const QCommandLineOption background(
        QStringLiteral("background"),
        QStringLiteral("Start with the window hidden, listening for the wake phrase."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version."));
    parser.addOptions({section, note, background, help, version});

    LaunchArguments result;
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.helpRequested = true;
        return result;
    }
    if (parser.isSet(version)) {
        result.versionRequested = true;
        return result;
    }
    result.startHidden = parser.isSet(background);
    if (!parser.positionalArguments().isEmpty()) {
        result.error = u"Unexpected argument: " % parser.positionalArguments().constFirst();
        return result;
    }
    if (parser.isSet(section) && parser.isSet(note)) {
        result.error = QStringLiteral("--open-section and --note cannot be combined.");
        return result;
    }
    if (parser.isSet(section)) {
        const QString value = parser.value(section);
        if (value != u"chat" && value != u"search") {
            result.error = u"Unknown section '" % value % u"': use chat or search.";
            return result;
        }
        result.request =
            LaunchRequest{.intent = LaunchRequest::Intent::openSection, .argument = value};
        return result;
    }
    if (parser.isSet(note)) {
        result.request = LaunchRequest{.intent = LaunchRequest::Intent::createNote,
                                       .argument = parser.value(note)};
        return result;
    }
    result.request = LaunchRequest{};
    return result;
}

QString actionName(LaunchRequest::Intent intent)
{
    switch (intent) {
    case LaunchRequest::Intent::openSection:
        return QStringLiteral("open-section");
    case LaunchRequest::Intent::createNote:
        return QStringLiteral("create-note");
    case LaunchRequest::Intent::activate:
        break;
    }
    return {};
}

} // namespace korvane
