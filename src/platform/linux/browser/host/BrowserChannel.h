// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>

namespace korvane {

// The host's connection to its browser: whole JSON messages each way.
class BrowserChannel : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~BrowserChannel() override = default;
    Q_DISABLE_COPY_MOVE(BrowserChannel)

    virtual void send(const QByteArray& message) = 0;

Q_SIGNALS:
    void received(const QByteArray& message);
    // The browser closed its end; nothing more comes.
    void closed();
};

} // namespace korvane
