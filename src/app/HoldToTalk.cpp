// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HoldToTalk.h"

#include "app/AppModel.h"
#include "app/UserSettings.h"
#include "platform/GlobalShortcut.h"
#include "platform/KeyCombination.h"

namespace korvane {

HoldToTalk::HoldToTalk(std::shared_ptr<GlobalShortcut> shortcut, AppModel* model,
                       UserSettings* settings, QObject* parent)
    : QObject(parent)
    , m_shortcut(std::move(shortcut))
    , m_model(model)
    , m_settings(settings)
    , m_status(QStringLiteral("Setting up the hold-to-talk key…"))
{
    m_shortcut->onPressed = [this] {
        if (m_model)
            m_model->beginHoldToTalk();
    };
    m_shortcut->onReleased = [this] {
        if (m_model)
            m_model->endHoldToTalk();
    };
    QObject::connect(settings, &UserSettings::holdToTalkShortcutChanged, this,
                     [this] { QCoro::connect(bind(), this, [] {}); });
    QCoro::connect(bind(), this, [] {});
}

HoldToTalk::~HoldToTalk()
{
    m_shortcut->onPressed = {};
    m_shortcut->onReleased = {};
    m_shortcut->unbind();
}

QString HoldToTalk::status() const
{
    return m_status;
}

bool HoldToTalk::setShortcut(const QString& keys)
{
    const std::optional<KeyCombination> combination = KeyCombination::parse(keys);
    if (!combination) {
        setStatus(keys + QStringLiteral(" is not a key combination Korvane knows."));
        return false;
    }
    // The same keys again are bound again: the program holding them may have let go.
    if (m_settings && m_settings->holdToTalkShortcut() == combination->text())
        QCoro::connect(bind(), this, [] {});
    else if (m_settings)
        m_settings->setHoldToTalkShortcut(combination->text());
    return true;
}

QCoro::Task<> HoldToTalk::bind()
{
    if (!m_settings)
        co_return;
    const QPointer<HoldToTalk> self(this);
    const quint64 bind = ++m_binds;
    const QString keys = m_settings->holdToTalkShortcut();
    const std::shared_ptr<GlobalShortcut> shortcut = m_shortcut;
    const Outcome bound = co_await shortcut->bind(keys);
    if (!self || bind != m_binds)
        co_return;
    setStatus(bound ? QStringLiteral("Hold ") + keys +
                          QStringLiteral(" to talk, whichever window is in front.")
                    : bound.error());
}

void HoldToTalk::setStatus(const QString& status)
{
    if (status == m_status)
        return;
    m_status = status;
    Q_EMIT statusChanged();
}

} // namespace korvane
