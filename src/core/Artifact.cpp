// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Artifact.h"

#include <QHashFunctions>

namespace korvane {

bool Artifact::isPendingGeneratedImage() const
{
    return kind == ArtifactKind::image && status == ArtifactStatus::running;
}

bool Artifact::isPendingCoverImage() const
{
    return imagePath && imagePath->startsWith(pendingCoverImagePrefix);
}

std::optional<QString> Artifact::pendingCoverImageDescription() const
{
    if (!isPendingCoverImage())
        return std::nullopt;
    return imagePath->mid(pendingCoverImagePrefix.size());
}

size_t qHash(const Artifact& artifact, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, artifact.id);
    seed = combine(seed, static_cast<int>(artifact.kind));
    seed = combine(seed, artifact.title);
    seed = combine(seed, static_cast<int>(artifact.status));
    seed = combine(seed, artifact.createdAt);
    seed = combine(seed, artifact.body);
    seed = combine(seed, artifact.imagePath.has_value());
    return combine(seed, artifact.imagePath.value_or(QString()));
}

} // namespace korvane
