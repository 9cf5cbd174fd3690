// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/AssistantProviderKind.h"

namespace korvane {

QString displayName(AssistantProviderKind kind)
{
    switch (kind) {
    case AssistantProviderKind::openAI:
        return QStringLiteral("OpenAI");
    case AssistantProviderKind::appleFoundationModels:
        return QStringLiteral("Apple Foundation Models");
    }
    return {};
}

} // namespace korvane
