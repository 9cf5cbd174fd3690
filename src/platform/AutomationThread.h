// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>

class QThreadPool;

namespace korvane {

// The one serial thread for blocking desktop work (X11, file scans, waiting on processes),
// so the window never freezes and such calls never overlap.
QThreadPool& automationThreadPool();

template <typename Function>
auto runOnAutomationThread(Function function)
{
    return QtConcurrent::run(&automationThreadPool(), std::move(function));
}

} // namespace korvane
