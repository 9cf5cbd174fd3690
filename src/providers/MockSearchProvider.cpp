// SPDX-License-Identifier: GPL-3.0-or-later
#include "providers/MockSearchProvider.h"

namespace korvane {

MockSearchProvider::MockSearchProvider(QString title)
    : m_title(std::move(title))
{
}

QString MockSearchProvider::title() const
{
    return m_title;
}

QCoro::Task<QList<SearchResult>> MockSearchProvider::search(QString)
{
    co_return QList<SearchResult>{};
}

} // namespace korvane
