// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/command/CommandJson.h"

#include "core/Overloaded.h"

#include <QJsonArray>

namespace korvane {

namespace {

QJsonObject caseOnly(const QString& name)
{
    return QJsonObject{{QStringLiteral("case"), name}};
}

QJsonObject caseWith(const QString& name, const QString& key, const QJsonValue& value)
{
    return QJsonObject{{QStringLiteral("case"), name}, {key, value}};
}

} // namespace

QJsonObject CommandJson::toJson(const MusicScope& scope)
{
    return std::visit(
        Overloaded{
            [](const MusicScope::Playlist& p) {
                return caseWith(QStringLiteral("playlist"), QStringLiteral("named"), p.named);
            },
            [](const MusicScope::Library&) { return caseOnly(QStringLiteral("library")); },
            [](const MusicScope::Playlists&) { return caseOnly(QStringLiteral("playlists")); },
        },
        scope.value);
}

QJsonObject CommandJson::toJson(const MusicCommand& music)
{
    return std::visit(
        Overloaded{
            [](const MusicCommand::Play& play) {
                QJsonObject object =
                    caseWith(QStringLiteral("play"), QStringLiteral("query"), play.query);
                object.insert(QStringLiteral("scope"), toJson(play.scope));
                return object;
            },
            [](const MusicCommand::Open&) { return caseOnly(QStringLiteral("open")); },
            [](const MusicCommand::Pause&) { return caseOnly(QStringLiteral("pause")); },
            [](const MusicCommand::Resume&) { return caseOnly(QStringLiteral("resume")); },
        },
        music.value);
}

QJsonObject CommandJson::toJson(const KeyboardKey& key)
{
    return QJsonObject{
        {QStringLiteral("displayName"), key.displayName},
        {QStringLiteral("keyCode"), key.keyCode ? QJsonValue(int(*key.keyCode)) : QJsonValue()},
        // The flags fit in a double exactly.
        {QStringLiteral("modifiers"), QJsonValue(static_cast<qint64>(key.modifiers))},
    };
}

QJsonObject CommandJson::toJson(const ComputerUseCommand& command)
{
    using namespace command;
    return std::visit(
        Overloaded{
            [](const Music& c) {
                return caseWith(QStringLiteral("music"), QStringLiteral("music"), toJson(c.music));
            },
            [](const OpenApp& c) {
                return caseWith(QStringLiteral("openApp"), QStringLiteral("name"), c.name);
            },
            [](const OpenURL& c) {
                return caseWith(QStringLiteral("openURL"), QStringLiteral("text"), c.text);
            },
            [](const CloseWebsite& c) {
                return caseWith(QStringLiteral("closeWebsite"), QStringLiteral("text"), c.text);
            },
            [](const SearchWeb& c) {
                return caseWith(QStringLiteral("searchWeb"), QStringLiteral("query"), c.query);
            },
            [](const TypeText& c) {
                return caseWith(QStringLiteral("typeText"), QStringLiteral("text"), c.text);
            },
            [](const TypeTextIntoField& c) {
                QJsonObject object =
                    caseWith(QStringLiteral("typeTextIntoField"), QStringLiteral("text"), c.text);
                object.insert(QStringLiteral("field"), c.field);
                return object;
            },
            [](const FocusField& c) {
                return caseWith(QStringLiteral("focusField"), QStringLiteral("name"), c.name);
            },
            [](const ClickElement& c) {
                return caseWith(QStringLiteral("clickElement"), QStringLiteral("name"), c.name);
            },
            [](const PressKey& c) {
                return caseWith(QStringLiteral("pressKey"), QStringLiteral("key"), toJson(c.key));
            },
            [](const Sequence& c) {
                QJsonArray commands;
                for (const ComputerUseCommand& step : c.commands)
                    commands.append(toJson(step));
                return caseWith(QStringLiteral("sequence"), QStringLiteral("commands"), commands);
            },
            [](const CloseActiveTab&) { return caseOnly(QStringLiteral("closeActiveTab")); },
            [](const CreatePagesDocument&) {
                return caseOnly(QStringLiteral("createPagesDocument"));
            },
            [](const InspectUI&) { return caseOnly(QStringLiteral("inspectUI")); },
        },
        command.value);
}

QJsonValue CommandJson::toJson(const std::optional<ComputerUseCommand>& command)
{
    return command ? QJsonValue(toJson(*command)) : QJsonValue(QJsonValue::Null);
}

QJsonValue CommandJson::toJson(const std::optional<KeyboardKey>& key)
{
    return key ? QJsonValue(toJson(*key)) : QJsonValue(QJsonValue::Null);
}

} // namespace korvane
