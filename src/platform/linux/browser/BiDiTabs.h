// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/browser/TabProtocol.h"

#include <QJsonObject>

namespace korvane {

// Tabs of Firefox over WebDriver BiDi: browsingContext.* for the list, navigation, closing
// and new tabs; script.evaluate in a sandbox of Korvane's for page scripts.
class BiDiTabs final : public TabProtocol {
public:
    explicit BiDiTabs(RemoteDeadlines deadlines);

    QCoro::Task<TabList> tabs(Link link) override;
    QCoro::Task<PageValue> evaluate(Link link, BrowserTab tab, QString expression) override;
    QCoro::Task<Outcome> navigate(Link link, BrowserTab tab, QUrl url) override;
    QCoro::Task<Outcome> close(Link link, BrowserTab tab) override;
    QCoro::Task<Outcome> openTab(Link link, QUrl url) override;

    // A BiDi remote value ({"type": "string", "value": …}) as plain JSON: strings, numbers,
    // booleans, null, and arrays and objects of those; anything else is Undefined.
    static QJsonValue plainValue(const QJsonObject& remoteValue);

private:
    RemoteDeadlines m_deadlines;
};

} // namespace korvane
