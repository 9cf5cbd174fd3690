// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtCore/qobjectdefs.h>

// The enumerations the window reads. They share one namespace meta-object, so the window
// names their values (Korvane.ArtifactKind.image) instead of comparing strings. Their raw
// values stay beside the records that use them.
namespace korvane {
Q_NAMESPACE

enum class ArtifactKind { markdown, note, diagram, image, record, progress, search, presentation };
Q_ENUM_NS(ArtifactKind)

enum class ArtifactStatus { ready, running, needsReview };
Q_ENUM_NS(ArtifactStatus)

enum class InputMode { quiet, voice };
Q_ENUM_NS(InputMode)

// The realtime session's state, as the service reports it and the model publishes it.
enum class RealtimeVoiceState { idle, connecting, recording, speaking, failed };
Q_ENUM_NS(RealtimeVoiceState)

// What an action waiting for the person's approval would do.
enum class ProposedActionKind { runScript, typeText, pressKey, click };
Q_ENUM_NS(ProposedActionKind)

// How one line of a markdown body is laid out.
enum class MarkdownLineKind { h1, h2, h3, bullet, numbered, paragraph, spacer };
Q_ENUM_NS(MarkdownLineKind)

} // namespace korvane
