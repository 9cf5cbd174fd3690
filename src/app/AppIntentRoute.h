// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/SidebarSection.h"

#include <QMetaType>
#include <QString>
#include <QUuid>
#include <QVariant>

#include <optional>

namespace korvane {

// A wish handed over by an intent: show a section, maybe with text in the composer.
// Two routes are the same route exactly when their ids are equal.
struct AppIntentRoute {
    Q_GADGET
    Q_PROPERTY(QString id READ idText CONSTANT)
    Q_PROPERTY(QString destination READ destinationText CONSTANT)
    Q_PROPERTY(QVariant prefilledPrompt READ prefilledPromptValue CONSTANT)

public:
    QUuid id = QUuid::createUuid();
    SidebarSection destination = SidebarSection::chat;
    std::optional<QString> prefilledPrompt{};

    QString idText() const;
    QString destinationText() const;
    // The text, or null when there is none.
    QVariant prefilledPromptValue() const;

    friend bool operator==(const AppIntentRoute& a, const AppIntentRoute& b)
    {
        return a.id == b.id;
    }
};

} // namespace korvane

Q_DECLARE_METATYPE(korvane::AppIntentRoute)
