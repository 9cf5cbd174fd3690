// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/SilentSpokenFeedback.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace korvane {

void SilentSpokenFeedback::speak(QString, std::function<void()> completion)
{
    if (!completion)
        return;
    // A real synthesizer finishes later, never inside speak(); keep callers honest about that.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [completion = std::move(completion)] { completion(); },
        Qt::QueuedConnection);
}

} // namespace korvane
