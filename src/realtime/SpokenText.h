// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// What a user's transcribed speech says to the session itself, apart from the request.
namespace korvane::SpokenText {

// Lower case, letters, numbers and whitespace only, pieces between spaces joined by single
// spaces: "That's it!" → "thats it". Only the space character separates pieces.
QString normalized(QStringView text);

// The normalized text contains "hey korva" or one of its misheard forms.
bool containsWakePhrase(QStringView text);

// The whole normalized text is a stop phrase ("all done", "never mind"…), or one of its words is
// "stop" or "cancel".
bool isStopCommand(QStringView text);

} // namespace korvane::SpokenText
