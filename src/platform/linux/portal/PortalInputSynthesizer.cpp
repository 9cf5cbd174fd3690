// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/portal/PortalInputSynthesizer.h"

#include "platform/linux/portal/RemoteDesktopPortal.h"
#include "platform/linux/xkb/Keysyms.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QThread>

#include <mutex>

namespace korvane {

Q_LOGGING_CATEGORY(lcPortalInput, "korvane.platform.portal.input")

namespace {

using namespace std::chrono_literals;

// Linux's input event code of the left button.
constexpr int leftButton = 0x110;
// A compositor starts a new session's stream a moment after Start; motion before it is lost.
constexpr auto streamSettling = 1s;

QString sentenceFor(RemoteDesktopPortal::Failure failure)
{
    switch (failure) {
    case RemoteDesktopPortal::Failure::missing:
        return QStringLiteral(
            "Korvane cannot type or click on this desktop: install xdg-desktop-portal with the "
            "backend of your desktop (xdg-desktop-portal-gnome or xdg-desktop-portal-kde), which "
            "lets programs ask for remote control, then try again.");
    case RemoteDesktopPortal::Failure::declined:
        return QStringLiteral(
            "Korvane may not type or click: when the desktop asks to allow remote control of the "
            "keyboard and pointer, allow it, then try again.");
    case RemoteDesktopPortal::Failure::unanswered:
        return QStringLiteral(
            "The desktop's question whether Korvane may control the keyboard and pointer was not "
            "answered: allow remote control when it asks, then try again.");
    case RemoteDesktopPortal::Failure::refused:
        break;
    }
    return QStringLiteral("The desktop did not start remote control of the keyboard and pointer "
                          "for Korvane; try again.");
}

struct Held {
    bool wanted;
    quint32 keysym;
};

} // namespace

struct PortalInputSynthesizer::Private {
    explicit Private(Options chosen)
        : options(std::move(chosen))
        , portal(QDBusConnection::sessionBus())
    {
    }

    Options options;
    RemoteDesktopPortal portal;
    std::mutex mutex;
    std::optional<RemoteDesktopPortal::Session> session;
    QElapsedTimer sinceStart;

    // A session that took no event has gone away; the next operation starts a new one.
    bool lost(bool posted)
    {
        if (!posted && session) {
            qCWarning(lcPortalInput) << "the remote-control session ended";
            session.reset();
        }
        return !posted;
    }

    bool tap(quint32 keysym)
    {
        const QString handle = session->handle;
        return !lost(portal.keysym(handle, keysym, true)) &&
               !lost(portal.keysym(handle, keysym, false));
    }

    // Compositors make the session's virtual devices on its first events and drop those
    // events (mutter does): a Shift tap and a pointer nudge go first, which nothing reads.
    void prime()
    {
        tap(keysyms::shift());
        if (session)
            portal.moveBy(session->handle, QPointF(1, 0));
        if (session)
            portal.moveBy(session->handle, QPointF(-1, 0));
    }

    Outcome ensureSession()
    {
        if (session)
            return Outcome::success();
        RemoteDesktopPortal::StartRequest request;
        request.withScreenCast = options.pointAtPositions;
        request.consentTimeout = options.consentTimeout;
        if (options.loadRestoreToken)
            request.restoreToken = options.loadRestoreToken();
        auto started = portal.start(request);
        if (const auto* failure = std::get_if<RemoteDesktopPortal::Failure>(&started))
            return Outcome::failure(sentenceFor(*failure));
        session = std::get<RemoteDesktopPortal::Session>(std::move(started));
        sinceStart.start();
        if (!session->restoreToken.isEmpty() && options.saveRestoreToken)
            options.saveRestoreToken(session->restoreToken);
        prime();
        if (!session)
            return Outcome::failure(sentenceFor(RemoteDesktopPortal::Failure::refused));
        return Outcome::success();
    }
};

PortalInputSynthesizer::PortalInputSynthesizer(Options options)
    : d(std::make_unique<Private>(std::move(options)))
{
}

PortalInputSynthesizer::~PortalInputSynthesizer()
{
    const std::lock_guard lock(d->mutex);
    if (d->session)
        d->portal.close(d->session->handle);
}

Outcome PortalInputSynthesizer::prepare()
{
    const std::lock_guard lock(d->mutex);
    return d->ensureSession();
}

bool PortalInputSynthesizer::postClick(QPointF point)
{
    const std::lock_guard lock(d->mutex);
    if (!d->session || !d->session->stream)
        return false;
    const qint64 settling = std::chrono::milliseconds(streamSettling).count();
    if (d->sinceStart.elapsed() < settling)
        QThread::msleep(quint64(settling - d->sinceStart.elapsed()));
    const QString handle = d->session->handle;
    return !d->lost(d->portal.moveTo(*d->session, point)) &&
           !d->lost(d->portal.button(handle, leftButton, true)) &&
           !d->lost(d->portal.button(handle, leftButton, false));
}

bool PortalInputSynthesizer::postKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    const std::optional<quint32> keysym = keysyms::forKey(key);
    const std::lock_guard lock(d->mutex);
    if (!keysym || !d->session)
        return false;
    const Held held[] = {{modifiers.testFlag(Qt::ControlModifier), keysyms::control()},
                         {modifiers.testFlag(Qt::AltModifier), keysyms::alt()},
                         {modifiers.testFlag(Qt::ShiftModifier), keysyms::shift()}};
    const QString handle = d->session->handle;
    bool posted = true;
    for (const Held& modifier : held) {
        if (modifier.wanted && posted)
            posted = !d->lost(d->portal.keysym(handle, modifier.keysym, true));
    }
    posted = posted && d->tap(*keysym);
    // Whatever happened, nothing stays held.
    for (auto it = std::rbegin(held); it != std::rend(held); ++it) {
        if (it->wanted)
            d->portal.keysym(handle, it->keysym, false);
    }
    return posted;
}

bool PortalInputSynthesizer::postUnicode(const QString& utf16)
{
    const std::lock_guard lock(d->mutex);
    if (!d->session)
        return false;
    for (const quint32 keysym : keysyms::forText(utf16)) {
        if (!d->tap(keysym))
            return false;
    }
    return true;
}

} // namespace korvane
