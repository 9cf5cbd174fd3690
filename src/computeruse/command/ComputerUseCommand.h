// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "uiautomation/KeyboardKey.h"

#include <QList>
#include <QString>

#include <variant>

namespace korvane {

// Where a music request looks: one named playlist, the whole library, or every playlist.
struct MusicScope {
    struct Playlist {
        QString named;
        friend bool operator==(const Playlist&, const Playlist&) = default;
    };
    struct Library {
        friend bool operator==(const Library&, const Library&) = default;
    };
    struct Playlists {
        friend bool operator==(const Playlists&, const Playlists&) = default;
    };

    std::variant<Playlist, Library, Playlists> value;

    static MusicScope playlist(QString named) { return {Playlist{std::move(named)}}; }
    static MusicScope library() { return {Library{}}; }
    static MusicScope playlists() { return {Playlists{}}; }

    friend bool operator==(const MusicScope&, const MusicScope&) = default;
};

struct MusicCommand {
    struct Play {
        QString query;
        MusicScope scope;
        friend bool operator==(const Play&, const Play&) = default;
    };
    struct Open {
        friend bool operator==(const Open&, const Open&) = default;
    };
    struct Pause {
        friend bool operator==(const Pause&, const Pause&) = default;
    };
    struct Resume {
        friend bool operator==(const Resume&, const Resume&) = default;
    };

    std::variant<Play, Open, Pause, Resume> value;

    static MusicCommand play(QString query, MusicScope scope)
    {
        return {Play{std::move(query), std::move(scope)}};
    }
    static MusicCommand open() { return {Open{}}; }
    static MusicCommand pause() { return {Pause{}}; }
    static MusicCommand resume() { return {Resume{}}; }

    friend bool operator==(const MusicCommand&, const MusicCommand&) = default;
};

struct ComputerUseCommand;

// The cases of a computer-use command, each with its payload. Payload texts are kept as the
// parser cut them from the input; the operations trim what they need.
namespace command {
struct Music {
    MusicCommand music{};
    friend bool operator==(const Music&, const Music&) = default;
};
struct OpenApp {
    QString name{};
    friend bool operator==(const OpenApp&, const OpenApp&) = default;
};
struct OpenURL {
    QString text{};
    friend bool operator==(const OpenURL&, const OpenURL&) = default;
};
struct CloseWebsite {
    QString text{};
    friend bool operator==(const CloseWebsite&, const CloseWebsite&) = default;
};
struct SearchWeb {
    QString query{};
    friend bool operator==(const SearchWeb&, const SearchWeb&) = default;
};
struct TypeText {
    QString text{};
    friend bool operator==(const TypeText&, const TypeText&) = default;
};
struct TypeTextIntoField {
    QString text{};
    QString field{};
    friend bool operator==(const TypeTextIntoField&, const TypeTextIntoField&) = default;
};
struct FocusField {
    QString name{};
    friend bool operator==(const FocusField&, const FocusField&) = default;
};
struct ClickElement {
    QString name{};
    friend bool operator==(const ClickElement&, const ClickElement&) = default;
};
struct PressKey {
    KeyboardKey key{};
    friend bool operator==(const PressKey&, const PressKey&) = default;
};
struct Sequence {
    QList<ComputerUseCommand> commands{};
};
// Defined where ComputerUseCommand is complete.
bool operator==(const Sequence& a, const Sequence& b);
struct CloseActiveTab {
    friend bool operator==(const CloseActiveTab&, const CloseActiveTab&) = default;
};
struct CreatePagesDocument {
    friend bool operator==(const CreatePagesDocument&, const CreatePagesDocument&) = default;
};
struct InspectUI {
    friend bool operator==(const InspectUI&, const InspectUI&) = default;
};
} // namespace command

struct ComputerUseCommand {
    using Value =
        std::variant<command::Music, command::OpenApp, command::OpenURL, command::CloseWebsite,
                     command::SearchWeb, command::TypeText, command::TypeTextIntoField,
                     command::FocusField, command::ClickElement, command::PressKey,
                     command::Sequence, command::CloseActiveTab, command::CreatePagesDocument,
                     command::InspectUI>;
    Value value;

    static ComputerUseCommand music(MusicCommand music)
    {
        return {command::Music{std::move(music)}};
    }
    static ComputerUseCommand openApp(QString name) { return {command::OpenApp{std::move(name)}}; }
    static ComputerUseCommand openURL(QString text) { return {command::OpenURL{std::move(text)}}; }
    static ComputerUseCommand closeWebsite(QString text)
    {
        return {command::CloseWebsite{std::move(text)}};
    }
    static ComputerUseCommand searchWeb(QString query)
    {
        return {command::SearchWeb{std::move(query)}};
    }
    static ComputerUseCommand typeText(QString text)
    {
        return {command::TypeText{std::move(text)}};
    }
    static ComputerUseCommand typeTextIntoField(QString text, QString field)
    {
        return {command::TypeTextIntoField{std::move(text), std::move(field)}};
    }
    static ComputerUseCommand focusField(QString name)
    {
        return {command::FocusField{std::move(name)}};
    }
    static ComputerUseCommand clickElement(QString name)
    {
        return {command::ClickElement{std::move(name)}};
    }
    static ComputerUseCommand pressKey(KeyboardKey key)
    {
        return {command::PressKey{std::move(key)}};
    }
    static ComputerUseCommand sequence(QList<ComputerUseCommand> commands);
    static ComputerUseCommand closeActiveTab() { return {command::CloseActiveTab{}}; }
    static ComputerUseCommand createPagesDocument() { return {command::CreatePagesDocument{}}; }
    static ComputerUseCommand inspectUI() { return {command::InspectUI{}}; }

    friend bool operator==(const ComputerUseCommand&, const ComputerUseCommand&) = default;
};

} // namespace korvane
