// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalShortcut.h"

#include <QList>

#include <memory>

namespace korvane {

// Binds through the first of several backends that the desktop offers, tried in order at
// each bind; says what is missing when none is.
class GlobalShortcutChain final : public GlobalShortcut {
public:
    GlobalShortcutChain(QList<std::shared_ptr<GlobalShortcut>> candidates, QString whenNone);

    QCoro::Task<bool> isOffered() override;
    QCoro::Task<Outcome> bind(QString keys) override;
    void unbind() override;

private:
    QList<std::shared_ptr<GlobalShortcut>> m_candidates;
    QString m_whenNone;
    std::shared_ptr<GlobalShortcut> m_current{};
};

} // namespace korvane
