// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ApplicationComposition.h"
#include "support/desktop/TestDesktop.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace korvane::test {

// The desktop a contract test runs on, named by KORVANE_TEST_DESKTOP: "x11" (the default),
// "gnome" or "kde", started privately, its ports made by the program's own composition root. On
// each, the test shows a real Qt or GTK probe window and reads what the window saw.
class ContractDesktop final {
public:
    enum class Probe { qt, gtk };

    ContractDesktop();
    ~ContractDesktop();
    Q_DISABLE_COPY_MOVE(ContractDesktop)

    // False with the reason, ready for QSKIP, when this desktop cannot start here.
    bool start(QString* whyNot);
    QString name() const { return m_name; }
    // One row per probe window, for a test's data function.
    static void addProbeRows();
    // Whether element places are known on screen here (not on GNOME under Wayland).
    bool knowsElementPlaces() const { return m_name != u"gnome"; }
    // Whether a program may raise another's window here (not on GNOME under Wayland).
    bool raisesWindows() const { return m_name != u"gnome"; }

    // Shows `probe`'s window alone (the other one ends) and waits until it is in front with
    // its tree readable. Reports start afresh.
    bool show(Probe probe, QString* whyNot);
    // Ends the probe window shown.
    void hide();
    qint64 processId() const;
    // The desktop entry each probe starts from.
    static QString desktopId(Probe probe);
    QUrl desktopEntry(Probe probe) const;

    // Waits until the window has reported `line` since the last clear.
    bool saw(const QString& line);
    // The last text the window's field reported, once it is `expected` or the time is up.
    QString fieldText(const QString& expected);
    QStringList reports();
    void clearReports();

    const DesktopBackends& backends() const { return m_backends; }

private:
    void readProbe();

    QString m_name;
    QTemporaryDir m_data;
    std::unique_ptr<TestDesktop> m_desktop;
    std::unique_ptr<QProcess> m_probe;
    QStringList m_reports;
    DesktopBackends m_backends;
};

} // namespace korvane::test

Q_DECLARE_METATYPE(korvane::test::ContractDesktop::Probe)
