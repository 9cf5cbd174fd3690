// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeInputSynthesizer.h"

namespace korvane::test {

Outcome FakeInputSynthesizer::prepare()
{
    return refusal ? Outcome::failure(*refusal) : Outcome::success();
}

bool FakeInputSynthesizer::postClick(QPointF point)
{
    if (refusal || !pointsAtPositions)
        return false;
    clicks.append(point);
    events.append(QStringLiteral("click(%1,%2)").arg(point.x()).arg(point.y()));
    return true;
}

bool FakeInputSynthesizer::postKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (refusal)
        return false;
    keys.append(QKeyCombination(modifiers, key));
    events.append(QStringLiteral("key(%1)").arg(QKeyCombination(modifiers, key).toCombined()));
    return true;
}

bool FakeInputSynthesizer::postUnicode(const QString& utf16)
{
    if (refusal)
        return false;
    unicode.append(utf16);
    events.append(QStringLiteral("unicode(") + utf16 + u')');
    return true;
}

} // namespace korvane::test
