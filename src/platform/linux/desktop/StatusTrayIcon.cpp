// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop/StatusTrayIcon.h"

#include "app/AppModel.h"
#include "ui/WorkspaceText.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace korvane {

namespace {

// The application icon with a dot in the state's colour, or plain while nothing listens.
QIcon stateIcon(const QIcon& base, const std::optional<QColor>& dot)
{
    if (!dot)
        return base;
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = base.pixmap(size, size);
        if (pixmap.isNull())
            continue;
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal diameter = size * 0.42;
        const QRectF circle(size - diameter, size - diameter, diameter, diameter);
        painter.setPen(QPen(Qt::white, std::max(1.0, size / 16.0)));
        painter.setBrush(*dot);
        painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

StatusTrayIcon::StatusTrayIcon(AppModel& model, Actions actions, QObject* parent)
    : QObject(parent)
    , m_model(&model)
    , m_actions(std::move(actions))
    , m_applicationIcon(QIcon::fromTheme(QStringLiteral("com.korva.Korvane"),
                                         QIcon(QStringLiteral(":/korvane/com.korva.Korvane.svg"))))
    , m_menu(std::make_unique<QMenu>())
{
    QAction* open = m_menu->addAction(tr("Open Korvane"));
    open->setObjectName(QStringLiteral("openAction"));
    connect(open, &QAction::triggered, this, [this] { m_actions.openWindow(); });

    m_voice = m_menu->addAction(tr("Start Voice"));
    m_voice->setObjectName(QStringLiteral("voiceAction"));
    connect(m_voice, &QAction::triggered, this, [this] {
        if (m_model)
            m_model->startComputerUseVoiceMode();
    });

    m_listen = m_menu->addAction(tr("Listen for \"Hey Korva\""));
    m_listen->setObjectName(QStringLiteral("wakePhraseAction"));
    m_listen->setCheckable(true);
    connect(m_listen, &QAction::toggled, this, [this](bool on) {
        if (m_model)
            m_model->setWakePhraseEnabled(on);
    });

    m_menu->addSeparator();
    QAction* quit = m_menu->addAction(tr("Quit Korvane"));
    quit->setObjectName(QStringLiteral("quitAction"));
    connect(quit, &QAction::triggered, this, [this] { m_actions.quit(); });

    for (const auto signal :
         {&AppModel::realtimeVoiceStateChanged, &AppModel::isWakeWordListeningChanged,
          &AppModel::isWakePhraseEnabledChanged})
        connect(&model, signal, this, &StatusTrayIcon::update);
    update();
}

StatusTrayIcon::~StatusTrayIcon() = default;

bool StatusTrayIcon::show()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    if (!m_icon) {
        m_icon = std::make_unique<QSystemTrayIcon>();
        m_icon->setContextMenu(m_menu.get());
        connect(m_icon.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger)
                        m_actions.openWindow();
                });
        update();
    }
    m_icon->show();
    return true;
}

QMenu* StatusTrayIcon::menu() const
{
    return m_menu.get();
}

QString StatusTrayIcon::status() const
{
    if (!m_model)
        return {};
    const RealtimeVoiceState state = m_model->realtimeVoiceState();
    if (state != RealtimeVoiceState::idle)
        return tr("Korvane: %1").arg(statusTitle(state));
    if (m_model->isWakeWordListening())
        return tr("Korvane is listening for \"Hey Korva\"");
    if (!m_model->isWakePhraseEnabled())
        return tr("Korvane is not listening for \"Hey Korva\"");
    return tr("Korvane: Ready");
}

void StatusTrayIcon::update()
{
    if (!m_model)
        return;
    const RealtimeVoiceState state = m_model->realtimeVoiceState();
    const bool inSession = state != RealtimeVoiceState::idle && state != RealtimeVoiceState::failed;
    m_voice->setText(inSession ? tr("Stop Voice") : tr("Start Voice"));
    {
        const QSignalBlocker quiet(m_listen);
        m_listen->setChecked(m_model->isWakePhraseEnabled());
    }
    if (!m_icon)
        return;
    std::optional<QColor> dot;
    if (state != RealtimeVoiceState::idle)
        dot = micTint(state);
    else if (m_model->isWakeWordListening())
        dot = micTint(RealtimeVoiceState::recording);
    m_icon->setIcon(stateIcon(m_applicationIcon, dot));
    m_icon->setToolTip(status());
}

} // namespace korvane
