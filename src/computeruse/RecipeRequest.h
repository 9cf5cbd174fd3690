// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ComputerUseResult.h"

#include <QByteArray>
#include <QString>

namespace korvane::recipes {

// The system message that asks the chat model for a recipe artifact.
QString recipePrompt();

// The chat-completions body for `dish`: fixed model, JSON object replies.
QByteArray requestBody(const QString& dish);

// The result a 200 reply's body gives: the recipe artifact, or the parse-failure sentence.
ComputerUseResult resultFromReply(const QByteArray& body);

} // namespace korvane::recipes
