// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "providers/ImageGenerationProvider.h"

namespace korvane {

// Placeholder that makes no images.
class MockImageGenerationProvider final : public ImageGenerationProvider {
public:
    explicit MockImageGenerationProvider(QString title);

    QString title() const override;
    QCoro::Task<std::optional<QString>> generateImage(QString prompt) override;

private:
    QString m_title;
};

} // namespace korvane
