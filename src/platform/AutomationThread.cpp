// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AutomationThread.h"

#include <QThreadPool>

namespace korvane {

QThreadPool& automationThreadPool()
{
    static QThreadPool* pool = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(1);
        // Keep the thread: X11 and AT-SPI connections are cheaper to reuse than to reopen.
        created->setExpiryTimeout(-1);
        created->setObjectName(QStringLiteral("korvane-automation"));
        return created;
    }();
    return *pool;
}

} // namespace korvane
