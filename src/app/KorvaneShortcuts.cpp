// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/KorvaneShortcuts.h"

namespace korvane {

QString KorvaneShortcuts::applicationNameToken()
{
    return QStringLiteral("${applicationName}");
}

QList<AppShortcut> KorvaneShortcuts::appShortcuts()
{
    const QString name = applicationNameToken();
    return {
        {.intent = QStringLiteral("OpenKorvaneSectionIntent"),
         .section = KorvaneSectionIntentValue::chat,
         .phrases = {QStringLiteral("Open ") + name, QStringLiteral("Open Chat in ") + name},
         .shortTitle = QStringLiteral("Open Korvane"),
         .systemImageName = QStringLiteral("message")},
        {.intent = QStringLiteral("CreateKorvaneNoteIntent"),
         .phrases = {QStringLiteral("Create a note in ") + name,
                     QStringLiteral("Save this to ") + name},
         .shortTitle = QStringLiteral("Create Note"),
         .systemImageName = QStringLiteral("square.and.pencil")},
        {.intent = QStringLiteral("OpenKorvaneSectionIntent"),
         .section = KorvaneSectionIntentValue::search,
         .phrases = {QStringLiteral("Search in ") + name, QStringLiteral("Open Search in ") + name},
         .shortTitle = QStringLiteral("Open Search"),
         .systemImageName = QStringLiteral("magnifyingglass")},
    };
}

} // namespace korvane
