// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the parts of AppModel (one source file per concern) share and nobody else needs.
#include "app/AppModel.h"

#include <QLoggingCategory>
#include <QPointer>

Q_DECLARE_LOGGING_CATEGORY(lcAppModel)

namespace korvane {

// Counts one piece of work for as long as it lives; harmless once the model is gone.
class AppModel::WorkToken final {
public:
    explicit WorkToken(AppModel* model)
        : m_model(model)
    {
        model->beginWork();
    }
    ~WorkToken()
    {
        if (m_model)
            m_model->endWork();
    }
    Q_DISABLE_COPY_MOVE(WorkToken)

private:
    QPointer<AppModel> m_model;
};

// One reply never starts more image generations than this; their placeholders beyond it
// end as failed at once.
inline constexpr int maximumImageGenerationsPerReply = 12;
inline constexpr int maximumImageGenerationsInFlight = 4;

// No session holds the microphone any more.
bool sessionEnded(RealtimeVoiceState state);

} // namespace korvane
