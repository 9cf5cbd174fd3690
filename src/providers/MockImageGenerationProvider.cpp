// SPDX-License-Identifier: GPL-3.0-or-later
#include "providers/MockImageGenerationProvider.h"

namespace korvane {

MockImageGenerationProvider::MockImageGenerationProvider(QString title)
    : m_title(std::move(title))
{
}

QString MockImageGenerationProvider::title() const
{
    return m_title;
}

QCoro::Task<std::optional<QString>> MockImageGenerationProvider::generateImage(QString)
{
    co_return std::nullopt;
}

} // namespace korvane
