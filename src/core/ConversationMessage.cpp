// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ConversationMessage.h"

#include <QHashFunctions>

namespace korvane {

size_t qHash(const ConversationMessage& message, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, message.id);
    seed = combine(seed, static_cast<int>(message.role));
    // An absent mode hashes apart from every present one.
    seed = combine(seed, message.mode ? static_cast<int>(*message.mode) : -1);
    seed = combine(seed, message.content);
    return combine(seed, message.createdAt);
}

} // namespace korvane
