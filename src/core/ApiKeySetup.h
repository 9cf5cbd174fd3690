// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"

#include <QString>

// What a person without an API key needs to know, and the file to put it in.
namespace korvane::ApiKeySetup {

// Whether OPENAI_API_KEY has a value now (read afresh; the key itself is not kept).
bool isConfigured();

// One sentence: what to set, where, and how to use a local server instead.
QString advice();

// Creates the user's .env.local with a commented line for each setting a new user needs,
// readable by the user alone. An existing file is left as it is.
Outcome createUserEnvFile();

} // namespace korvane::ApiKeySetup
