// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace korvane {

class AppModel;

// Korvane's icon in the desktop's tray (a StatusNotifierItem where the desktop hosts them, the
// older XEmbed tray otherwise). It shows whether Korvane is listening and offers Open, Start
// or Stop Voice, Listen for "Hey Korva" and Quit.
class StatusTrayIcon final : public QObject {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> openWindow;
        std::function<void()> quit;
    };

    StatusTrayIcon(AppModel& model, Actions actions, QObject* parent = nullptr);
    ~StatusTrayIcon() override;
    Q_DISABLE_COPY_MOVE(StatusTrayIcon)

    // Shows the icon when the desktop has a tray; false when it has none.
    bool show();

    QMenu* menu() const;
    // One sentence on what Korvane is doing: the icon's tooltip.
    QString status() const;

private:
    void update();

    QPointer<AppModel> m_model;
    Actions m_actions;
    QIcon m_applicationIcon;
    std::unique_ptr<QMenu> m_menu;
    QAction* m_voice = nullptr;
    QAction* m_listen = nullptr;
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

} // namespace korvane
