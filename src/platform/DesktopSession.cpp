// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DesktopSession.h"

#include <QStringList>

namespace korvane {

namespace {

DesktopSession::Desktop desktopNamed(const QString& currentDesktop)
{
    // A colon-separated list, most specific first ("ubuntu:GNOME", "KDE").
    const QStringList names = currentDesktop.split(u':', Qt::SkipEmptyParts);
    for (const QString& name : names) {
        if (name.compare(u"GNOME", Qt::CaseInsensitive) == 0 ||
            name.compare(u"GNOME-Classic", Qt::CaseInsensitive) == 0)
            return DesktopSession::Desktop::gnome;
        if (name.compare(u"KDE", Qt::CaseInsensitive) == 0)
            return DesktopSession::Desktop::kde;
    }
    return DesktopSession::Desktop::other;
}

} // namespace

DesktopSession DesktopSession::detect(const QProcessEnvironment& environment)
{
    const QString sessionType = environment.value(QStringLiteral("XDG_SESSION_TYPE")).toLower();
    DesktopSession session;
    session.desktop = desktopNamed(environment.value(QStringLiteral("XDG_CURRENT_DESKTOP")));
    // A Wayland session often also offers DISPLAY (Xwayland) for older programs; its desktop
    // is still driven the Wayland way.
    if (!environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
        sessionType == u"wayland")
        session.kind = Kind::wayland;
    else if (!environment.value(QStringLiteral("DISPLAY")).isEmpty() || sessionType == u"x11")
        session.kind = Kind::x11;
    return session;
}

DesktopSession DesktopSession::current()
{
    return detect(QProcessEnvironment::systemEnvironment());
}

QString DesktopSession::description() const
{
    if (kind == Kind::none)
        return QStringLiteral("none");
    QString text = kind == Kind::wayland ? QStringLiteral("Wayland") : QStringLiteral("X11");
    switch (desktop) {
    case Desktop::gnome:
        return text + QStringLiteral(" (GNOME)");
    case Desktop::kde:
        return text + QStringLiteral(" (KDE)");
    case Desktop::other:
        break;
    }
    return text;
}

} // namespace korvane
