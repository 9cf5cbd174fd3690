// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/kwin/KWinScriptReply.h"

namespace korvane {

void KWinScriptReply::windows(const QString& json)
{
    m_answer = json;
    Q_EMIT received();
}

} // namespace korvane
