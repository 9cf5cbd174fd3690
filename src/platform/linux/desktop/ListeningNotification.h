// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace korvane {

// The desktop notification that says Korvane is listening, for desktops that keep its window
// from coming forward: a wake phrase is then never answered by nothing. Sent through the
// freedesktop notification service; a newer one replaces the last.
class ListeningNotification final {
public:
    void show();

private:
    uint m_lastId = 0;
};

} // namespace korvane
