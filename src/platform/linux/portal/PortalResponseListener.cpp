// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/portal/PortalResponseListener.h"

namespace korvane {

void PortalResponseListener::response(uint code, const QVariantMap& results)
{
    {
        const std::lock_guard lock(mutex);
        if (answer)
            return;
        answer = std::pair{code, results};
    }
    answered.release();
}

} // namespace korvane
