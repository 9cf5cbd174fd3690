// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <qcoro/qcorotask.h>

#include <optional>

namespace korvane {

// An interchangeable image back end. Nothing calls it today: images come from
// GptImageGenerator on the OpenAI provider.
class ImageGenerationProvider {
public:
    virtual ~ImageGenerationProvider() = default;

    virtual QString title() const = 0;
    // The address of the image made from `prompt`, or nothing.
    virtual QCoro::Task<std::optional<QString>> generateImage(QString prompt) = 0;
};

} // namespace korvane
