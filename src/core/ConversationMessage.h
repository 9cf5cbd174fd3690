// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/EnumText.h"
#include "core/Enumerations.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace korvane {

enum class ConversationRole { system, user, assistant };

template <>
struct EnumCases<ConversationRole> {
    static constexpr std::array<EnumCase<ConversationRole>, 3> cases{{
        {ConversationRole::system, u"system"},
        {ConversationRole::user, u"user"},
        {ConversationRole::assistant, u"assistant"},
    }};
};

template <>
struct EnumCases<InputMode> {
    static constexpr std::array<EnumCase<InputMode>, 2> cases{{
        {InputMode::quiet, u"quiet"},
        {InputMode::voice, u"voice"},
    }};
};

// One line of the conversation. Content may be replaced in place later, which makes a new,
// unequal value: equality covers every field.
struct ConversationMessage {
    QUuid id = QUuid::createUuid();
    ConversationRole role = ConversationRole::assistant;
    std::optional<InputMode> mode{};
    QString content{};
    QDateTime createdAt = QDateTime::currentDateTime();

    friend bool operator==(const ConversationMessage&, const ConversationMessage&) = default;
};

size_t qHash(const ConversationMessage& message, size_t seed = 0) noexcept;

} // namespace korvane
