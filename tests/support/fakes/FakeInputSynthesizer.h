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

    Outcome prepare() override { return refusal ? Outcome::failure(*refusal) : Outcome::success(); }
    bool postClick(QPointF point) override
    {
        if (refusal || !pointsAtPositions)
            return false;
        clicks.append(point);
        events.append(u"click(%1,%2)"_qs.arg(point.x()).arg(point.y()));
        return true;
    }
    bool postKey(Qt::Key key, Qt::KeyboardModifiers modifiers) override
    {
        if (refusal)
            return false;
        keys.append(QKeyCombination(modifiers, key));
        events.append(u"key(%1)"_qs.arg(keys.last().toCombined()));
        return true;
    }
    bool postUnicode(const QString& utf16) override
    {
        if (refusal)
            return false;
        unicode.append(utf16);
        events.append(u"unicode("_qs + utf16 + u')');
        return true;
    }
};

} // namespace korvane::test
