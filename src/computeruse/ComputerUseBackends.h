// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PlatformPorts.h"
#include "search/SearchResult.h"

#include <QList>
#include <QString>
#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>

namespace korvane {

class Pacing;

// Everything the executor reaches outside itself. Every port is required; an empty search or
// pacing means the shared web search and real timers.
struct ComputerUseBackends {
    using SearchFunction = std::function<QCoro::Task<QList<SearchResult>>(QString query)>;

    PlatformPorts ports{};
    SearchFunction search{};
    std::shared_ptr<Pacing> pacing{};
};

} // namespace korvane
