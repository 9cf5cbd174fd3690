// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalShortcut.h"

#include <QByteArray>
#include <QObject>

#include <memory>

namespace korvane {

// A global shortcut as a passive key grab on the X root window, over a connection of its own
// (xcb), so it works whichever X client has the focus. Only offered in an X11 session: under
// Wayland, X clients see keys only while one of them has the focus.
class X11GlobalShortcut final : public QObject, public GlobalShortcut {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(X11GlobalShortcut)

public:
    // `display` empty means $DISPLAY.
    explicit X11GlobalShortcut(QByteArray display = {}, QObject* parent = nullptr);
    ~X11GlobalShortcut() override;

    QCoro::Task<bool> isOffered() override;
    QCoro::Task<Outcome> bind(QString keys) override;
    void unbind() override;

private:
    void readEvents();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane
