// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/LoopbackHttpServer.h"

#include <QByteArray>
#include <QString>

// Points every host of the program at `server`, sets a dummy key and reads no `.env.local`.
void useLoopbackServices(const korvane::test::LoopbackHttpServer& server);
// Undoes useLoopbackServices.
void clearLoopbackServices();

// A port on 127.0.0.1 where nothing listens.
quint16 closedLoopbackPort();

// Collects what the process writes to standard error between construction and text().
class StandardErrorCapture final {
public:
    StandardErrorCapture();
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    // Ends the capture (once) and returns what was written.
    QString text();

private:
    int m_savedOutput = -1;
    int m_file = -1;
    QString m_text;
};

inline const QByteArray dummyApiKey = QByteArrayLiteral("loopback-dummy-key");
