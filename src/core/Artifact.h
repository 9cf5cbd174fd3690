// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/EnumText.h"
#include "core/Enumerations.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace korvane {

template <>
struct EnumCases<ArtifactKind> {
    static constexpr std::array<EnumCase<ArtifactKind>, 8> cases{{
        {ArtifactKind::markdown, u"markdown"},
        {ArtifactKind::note, u"note"},
        {ArtifactKind::diagram, u"diagram"},
        {ArtifactKind::image, u"image"},
        {ArtifactKind::record, u"record"},
        {ArtifactKind::progress, u"progress"},
        {ArtifactKind::search, u"search"},
        {ArtifactKind::presentation, u"presentation"},
    }};
};

template <>
struct EnumCases<ArtifactStatus> {
    static constexpr std::array<EnumCase<ArtifactStatus>, 3> cases{{
        {ArtifactStatus::ready, u"ready"},
        {ArtifactStatus::running, u"running"},
        {ArtifactStatus::needsReview, u"needs review"},
    }};
};

// Prefix of an image path that asks for a cover image still to be generated.
inline constexpr QStringView pendingCoverImagePrefix = u"generating|";

// A document shown in the inspector.
struct Artifact {
    QUuid id = QUuid::createUuid();
    ArtifactKind kind = ArtifactKind::note;
    QString title{};
    ArtifactStatus status = ArtifactStatus::ready;
    QDateTime createdAt = QDateTime::currentDateTime();
    QString body{};
    std::optional<QString> imagePath{};

    // An image artifact still waiting for its generated picture; its body holds the request.
    bool isPendingGeneratedImage() const;
    // The image path asks for a cover image; the description may be empty.
    bool isPendingCoverImage() const;
    // The description after the prefix, or nothing when no cover image is pending.
    std::optional<QString> pendingCoverImageDescription() const;

    friend bool operator==(const Artifact&, const Artifact&) = default;
};

size_t qHash(const Artifact& artifact, size_t seed = 0) noexcept;

} // namespace korvane
