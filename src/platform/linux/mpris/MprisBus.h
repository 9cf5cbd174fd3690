// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"
#include "platform/linux/mpris/MprisPlayer.h"

#include <QList>
#include <QString>
#include <QVariantList>
#include <qcoro/qcorotask.h>

#include <optional>

namespace korvane {

// The players on a message bus and calls on their /org/mpris/MediaPlayer2 object.
class MprisBus {
public:
    virtual ~MprisBus() = default;

    // Every player that answered, ordered by bus name; a process that owns several names is
    // listed once, under the first.
    virtual QCoro::Task<QList<MprisPlayer>> players() = 0;
    // One player as it is now; absent when it has gone.
    virtual QCoro::Task<std::optional<MprisPlayer>> player(QString service) = 0;
    // A failure's sentence is the bus error's message, which may be empty.
    virtual QCoro::Task<Outcome> call(QString service, QString interface, QString method,
                                      QVariantList arguments) = 0;

    static QString servicePrefix();
    static QString objectPath();
    static QString rootInterface();
    static QString playerInterface();
    static QString trackListInterface();
    // The TrackList's "no track" path, used to append at the start.
    static QString noTrackPath();
};

} // namespace korvane
