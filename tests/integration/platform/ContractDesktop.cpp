// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContractDesktop.h"

#include "platform/Workspace.h"
#include "uiautomation/UIAutomation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

namespace korvane::test {

namespace {

constexpr int waitMs = 15000;

QString probeCommand(ContractDesktop::Probe probe)
{
    const QString folder = QCoreApplication::applicationDirPath();
    if (probe == ContractDesktop::Probe::qt)
        return folder + u"/accessibilityprobe"_qs;
    // Debian's own Python, which has the GTK bindings; the build puts the script beside us.
    return u"/usr/bin/python3 "_qs + folder + u"/gtkprobe.py"_qs;
}

} // namespace

ContractDesktop::ContractDesktop()
    : m_name(qEnvironmentVariable("KORVANE_TEST_DESKTOP", u"x11"_qs))
{
}

ContractDesktop::~ContractDesktop()
{
    hide();
    m_backends = {};
    m_desktop.reset();
}

QString ContractDesktop::desktopId(Probe probe)
{
    return probe == Probe::qt ? u"korvane-qt-probe.desktop"_qs : u"korvane-gtk-probe.desktop"_qs;
}

QUrl ContractDesktop::desktopEntry(Probe probe) const
{
    return QUrl::fromLocalFile(m_data.filePath(u"applications/"_qs) + desktopId(probe));
}

void ContractDesktop::addProbeRows()
{
    QTest::addColumn<Probe>("probe");
    QTest::newRow("qt") << Probe::qt;
    QTest::newRow("gtk") << Probe::gtk;
}

bool ContractDesktop::start(QString* whyNot)
{
    const std::optional<TestDesktop::Session> session = TestDesktop::sessionNamed(m_name);
    if (!session) {
        *whyNot = u"KORVANE_TEST_DESKTOP names no desktop: "_qs + m_name;
        return false;
    }
    m_desktop = std::make_unique<TestDesktop>();
    if (!m_desktop->startSession(*session, whyNot))
        return false;
    // The probes' desktop entries, for this process only: the desktop's own programs keep
    // their folders.
    QDir().mkpath(m_data.filePath(u"applications"_qs));
    qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    for (Probe probe : {Probe::qt, Probe::gtk}) {
        QFile entry(desktopEntry(probe).toLocalFile());
        const QString wmClass =
            probe == Probe::qt ? u"accessibilityprobe"_qs : u"korvane-gtk-probe"_qs;
        if (!entry.open(QIODevice::WriteOnly))
            return false;
        entry.write(
            QStringLiteral("[Desktop Entry]\nType=Application\nName=Korvane %1 Probe\n"
                           "Exec=%2\nStartupWMClass=%3\n")
                .arg(probe == Probe::qt ? u"Qt"_qs : u"GTK"_qs, probeCommand(probe), wmClass)
                .toUtf8());
    }

    // The program's own choice for the session the desktop runs.
    m_backends = composeDesktop(DesktopSession::current());
    return true;
}

bool ContractDesktop::show(Probe probe, QString* whyNot)
{
    hide();
    QStringList command = probeCommand(probe).split(u' ');
    m_probe = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Qt 6.4 leaves a bus named here unregistered: the probe finds it through the session bus.
    environment.remove(u"AT_SPI_BUS_ADDRESS"_qs);
    if (m_name == u"x11")
        environment.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
    m_probe->setProcessEnvironment(environment);
    m_probe->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_probe->start(command.takeFirst(), command);
    if (!m_probe->waitForStarted() || !saw(u"ready"_qs)) {
        *whyNot = u"the probe did not show its window"_qs;
        return false;
    }
    const qint64 processId = m_probe->processId();
    const auto inFrontAndReadable = [&] {
        const std::optional<RunningApplication> front =
            QCoro::waitFor(m_backends.ports.workspace->frontmostApplication());
        // It registers its tree shortly after it shows its window.
        return front && front->processId == processId &&
               !QCoro::waitFor(m_backends.ports.uiAutomation->getVisibleElements()).isEmpty();
    };
    if (!QTest::qWaitFor(inFrontAndReadable, waitMs)) {
        *whyNot = u"the probe never came in front with a readable tree"_qs;
        return false;
    }
    clearReports();
    return true;
}

void ContractDesktop::hide()
{
    if (!m_probe)
        return;
    m_probe->terminate();
    if (!m_probe->waitForFinished(3000))
        m_probe->kill();
    m_probe->waitForFinished();
    m_probe.reset();
    m_reports.clear();
}

qint64 ContractDesktop::processId() const
{
    return m_probe ? m_probe->processId() : 0;
}

void ContractDesktop::readProbe()
{
    while (m_probe && m_probe->canReadLine())
        m_reports.append(QString::fromUtf8(m_probe->readLine()).chopped(1));
}

QStringList ContractDesktop::reports()
{
    readProbe();
    return m_reports;
}

void ContractDesktop::clearReports()
{
    readProbe();
    m_reports.clear();
}

bool ContractDesktop::saw(const QString& line)
{
    return QTest::qWaitFor([&] { return reports().contains(line); }, waitMs);
}

QString ContractDesktop::fieldText(const QString& expected)
{
    const auto last = [&] {
        QString text;
        for (const QString& report : reports()) {
            if (report.startsWith(u"text "))
                text = report.mid(5);
        }
        return text;
    };
    // A time-out shows in the caller's comparison of what was typed.
    (void)QTest::qWaitFor([&] { return last() == expected; }, waitMs);
    return last();
}

} // namespace korvane::test
