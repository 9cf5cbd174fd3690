#include "fakes/FakeInputSynthesizer.h"

namespace korvane::test {

bool FakeInputSynthesizer::isAvailable()
{
    return available;
}

void FakeInputSynthesizer::postClick(QPointF point)
{
    clicks.append(point);
    events.append(QStringLiteral("click(%1,%2)").arg(point.x()).arg(point.y()));
}

void FakeInputSynthesizer::postKey(quint16 keyCode, quint64 modifiers)
{
    keys.append({keyCode, modifiers});
    events.append(QStringLiteral("key(%1,%2)").arg(keyCode).arg(modifiers));
}

void FakeInputSynthesizer::postUnicode(QString utf16)
{
    events.append(QStringLiteral("unicode(") + utf16 + u')');
    unicode.append(std::move(utf16));
}

} // namespace korvane::test
