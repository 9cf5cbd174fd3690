// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "providers/SearchProvider.h"

namespace korvane {

// Placeholder that finds nothing.
class MockSearchProvider final : public SearchProvider {
public:
    explicit MockSearchProvider(QString title);

    QString title() const override;
    QCoro::Task<QList<SearchResult>> search(QString query) override;

private:
    QString m_title;
};

} // namespace korvane
