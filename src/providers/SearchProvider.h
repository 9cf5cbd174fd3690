// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/SearchResult.h"

#include <QList>
#include <QString>
#include <qcoro/qcorotask.h>

namespace korvane {

// An interchangeable search back end. Nothing calls it today: searches go to WebSearchService.
class SearchProvider {
public:
    virtual ~SearchProvider() = default;

    virtual QString title() const = 0;
    virtual QCoro::Task<QList<SearchResult>> search(QString query) = 0;
};

} // namespace korvane
