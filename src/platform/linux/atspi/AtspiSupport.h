// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the AT-SPI backends of this folder share: the process-wide connection and small
// wrappers around libatspi's C types. Never included outside this folder.

#include <QLoggingCategory>
#include <QString>

#include <atspi/atspi.h>
#include <memory>
#include <optional>

Q_DECLARE_LOGGING_CATEGORY(lcAtspi)

namespace korvane::atspi {

template <typename T>
struct GObjectDeleter {
    void operator()(T* object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

// The text, freed; empty for null.
QString takeString(gchar* text);

// The GError of one call at a time; a failed call reads as absent.
class CallError final {
public:
    CallError() = default;
    ~CallError() { g_clear_error(&m_error); }
    Q_DISABLE_COPY_MOVE(CallError)

    GError** out()
    {
        g_clear_error(&m_error);
        return &m_error;
    }
    bool failed() const { return m_error != nullptr; }
    // libdbus and libatspi word a missed reply differently; both mention it.
    bool timedOut() const;

private:
    GError* m_error = nullptr;
};

// The process-wide AT-SPI connection, made once on the automation thread. Its main-loop
// source goes to a private context so no other thread dispatches its messages; the walks
// pump that context themselves.
struct Connection {
    bool ready = false;
    GMainContext* context = nullptr;

    bool open();
    // Delivers the events AT-SPI queued (applications added or gone, changed children).
    void pump() const;
};

Connection& connection();

// Whether the accessibility bus answers and accessibility is on (with `turnOn`, switching it
// on first: toolkits then start exposing their trees), with the connection open.
bool accessibilityReady(bool turnOn);

// The element's states as bits (1 << AtspiStateType); 0 when they cannot be read.
quint64 states(AtspiAccessible* accessible);
inline bool hasState(quint64 states, AtspiStateType state)
{
    return (states >> int(state)) & 1U;
}

} // namespace korvane::atspi
