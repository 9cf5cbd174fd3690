#pragma once

#include "platform/InputSynthesizer.h"

#include <QList>
#include <QPointF>
#include <QStringList>

namespace korvane::test {

// Records what would have been posted; `events` keeps every kind in one order.
class FakeInputSynthesizer final : public InputSynthesizer {
public:
    struct Key {
        quint16 keyCode = 0;
        quint64 modifiers = 0;
        friend bool operator==(const Key&, const Key&) = default;
    };

    bool available = true;

    QList<QPointF> clicks{};
    QList<Key> keys{};
    // One entry per key-down/key-up pair, as its UTF-16 code units.
    QStringList unicode{};
    // "click(x,y)", "key(code,modifiers)" and "unicode(text)", in posting order.
    QStringList events{};

    bool isAvailable() override;
    void postClick(QPointF point) override;
    void postKey(quint16 keyCode, quint64 modifiers) override;
    void postUnicode(QString utf16) override;
};

} // namespace korvane::test
