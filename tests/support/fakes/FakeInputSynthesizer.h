// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/InputSynthesizer.h"

#include <QKeyCombination>
#include <QList>
#include <QPointF>
#include <QStringList>

namespace korvane::test {

// Records what would have been posted; `events` keeps every kind in one order.
class FakeInputSynthesizer final : public InputSynthesizer {
public:
    // What prepare() answers: absent when input can be posted.
    std::optional<QString> refusal{};
    // Whether clicks at a position can be posted (some desktops cannot point at one).
    bool pointsAtPositions = true;

    QList<QPointF> clicks{};
    QList<QKeyCombination> keys{};
    // One entry per key press, as its UTF-16 code units.
    QStringList unicode{};
    // "click(x,y)", "key(combination)" and "unicode(text)", in posting order.
    QStringList events{};

    Outcome prepare() override;
    bool postClick(QPointF point) override;
    bool postKey(Qt::Key key, Qt::KeyboardModifiers modifiers) override;
    bool postUnicode(const QString& utf16) override;
};

} // namespace korvane::test
