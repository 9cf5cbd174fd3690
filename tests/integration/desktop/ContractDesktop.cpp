#include "ContractDesktop.h"

#include "fakes/FakeAccessibilityTree.h"
#include "fakes/FakeApplicationCatalog.h"
#include "fakes/FakeInputSynthesizer.h"
#include "fakes/FakeWorkspace.h"
#include "platform/Workspace.h"
#include "uiautomation/UIAutomationService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyCombination>
#include <QRegularExpression>
#include <QTest>

namespace korvane::test {

namespace {

constexpr qint64 fakeProcess = 4242;
constexpr int waitMs = 15000;

QString probeCommand(ContractDesktop::Probe probe)
{
    const QString folder = QCoreApplication::applicationDirPath();
    if (probe == ContractDesktop::Probe::qt)
        return folder + QStringLiteral("/accessibilityprobe");
    // Debian's own Python, which has the GTK bindings; the build puts the script beside us.
    return QStringLiteral("/usr/bin/python3 ") + folder + QStringLiteral("/gtkprobe.py");
}

} // namespace

ContractDesktop::ContractDesktop()
    : m_name(qEnvironmentVariable("KORVANE_TEST_DESKTOP", QStringLiteral("fake")))
{
}

ContractDesktop::~ContractDesktop()
{
    stopProbe();
    m_backends = {};
    m_desktop.reset();
}

QString ContractDesktop::desktopId(Probe probe)
{
    return probe == Probe::qt ? QStringLiteral("korvane-qt-probe.desktop")
                              : QStringLiteral("korvane-gtk-probe.desktop");
}

QUrl ContractDesktop::desktopEntry(Probe probe) const
{
    return QUrl::fromLocalFile(m_data.filePath(QStringLiteral("applications/")) + desktopId(probe));
}

bool ContractDesktop::knowsElementPlaces() const
{
    return m_name != u"gnome";
}

bool ContractDesktop::start(QString* whyNot)
{
    if (!startDesktop(whyNot))
        return false;
    // The probes' desktop entries, for this process only: the desktop's own programs keep
    // their folders.
    QDir().mkpath(m_data.filePath(QStringLiteral("applications")));
    qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    for (Probe probe : {Probe::qt, Probe::gtk}) {
        QFile entry(desktopEntry(probe).toLocalFile());
        const QString wmClass = probe == Probe::qt ? QStringLiteral("accessibilityprobe")
                                                   : QStringLiteral("korvane-gtk-probe");
        if (!entry.open(QIODevice::WriteOnly))
            return false;
        entry.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Korvane %1 Probe\n"
                                   "Exec=%2\nStartupWMClass=%3\n")
                        .arg(probe == Probe::qt ? QStringLiteral("Qt") : QStringLiteral("GTK"),
                             probeCommand(probe), wmClass)
                        .toUtf8());
    }

    // The program's own choice for the session the desktop runs.
    if (!isFake())
        m_backends = composeDesktop(DesktopSession::current());
    return true;
}

bool ContractDesktop::startDesktop(QString* whyNot)
{
    if (isFake()) {
        m_fakeWorkspace = std::make_shared<FakeWorkspace>();
        m_fakeTree = std::make_shared<FakeAccessibilityTree>();
        m_fakeInput = std::make_shared<FakeInputSynthesizer>();
        m_backends.accessibility = m_fakeTree;
        m_backends.input = m_fakeInput;
        m_backends.ports.workspace = m_fakeWorkspace;
        m_backends.ports.applications = std::make_shared<FakeApplicationCatalog>();
        m_backends.ports.uiAutomation =
            std::make_shared<UIAutomationService>(m_fakeTree, m_fakeInput, m_fakeWorkspace);
        return true;
    }
    const std::optional<TestDesktop::Session> session = TestDesktop::sessionNamed(m_name);
    if (!session) {
        *whyNot = QStringLiteral("KORVANE_TEST_DESKTOP names no desktop: ") + m_name;
        return false;
    }
    m_desktop = std::make_unique<TestDesktop>();
    return m_desktop->startSession(*session, whyNot);
}

bool ContractDesktop::show(Probe probe, QString* whyNot)
{
    stopProbe();
    clearReports();
    if (isFake()) {
        buildFakeProbe(probe);
        return true;
    }
    if (!startProbe(probe, whyNot))
        return false;
    const qint64 processId = m_probe->processId();
    const auto inFront = [&] {
        readProbe();
        const std::optional<RunningApplication> front =
            QCoro::waitFor(m_backends.ports.workspace->frontmostApplication());
        return front && front->processId == processId;
    };
    if (!QTest::qWaitFor(inFront, waitMs)) {
        *whyNot = QStringLiteral("the probe never came in front (%1)").arg(reports().join(u", "));
        return false;
    }
    // It registers its tree shortly after it shows its window.
    const auto readable = [&] {
        return !QCoro::waitFor(m_backends.ports.uiAutomation->getVisibleElements()).isEmpty();
    };
    if (!QTest::qWaitFor(readable, waitMs)) {
        *whyNot = QStringLiteral("the probe's accessibility tree never appeared");
        return false;
    }
    clearReports();
    return true;
}

bool ContractDesktop::startProbe(Probe probe, QString* whyNot)
{
    QStringList command = probeCommand(probe).split(u' ');
    m_probe = std::make_unique<QProcess>();
    QProcessEnvironment environment = m_desktop->environment();
    // Qt 6.4 leaves a bus named here unregistered: the probe finds it through the session bus.
    environment.remove(QStringLiteral("AT_SPI_BUS_ADDRESS"));
    if (m_name == u"x11")
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_probe->setProcessEnvironment(environment);
    m_probe->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_probe->start(command.takeFirst(), command);
    if (!m_probe->waitForStarted()) {
        *whyNot = QStringLiteral("the probe could not start: ") + m_probe->errorString();
        return false;
    }
    if (!saw(QStringLiteral("ready"))) {
        *whyNot = QStringLiteral("the probe did not show its window");
        return false;
    }
    return true;
}

void ContractDesktop::stopProbe()
{
    if (!m_probe)
        return;
    m_probe->terminate();
    if (!m_probe->waitForFinished(3000))
        m_probe->kill();
    m_probe->waitForFinished();
    m_probe.reset();
}

qint64 ContractDesktop::processId() const
{
    return isFake() ? fakeProcess : (m_probe ? m_probe->processId() : 0);
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

// The fakes as the probe's window looks to the real ports: what happens to it is reported as
// the real probe would report it.
void ContractDesktop::buildFakeProbe(Probe probe)
{
    FakeAccessibilityTree& tree = *m_fakeTree;
    tree = FakeAccessibilityTree();
    const QString title = probe == Probe::qt ? QStringLiteral("Korvane Qt Probe")
                                             : QStringLiteral("Korvane GTK Probe");
    const int application = tree.add(AccessibleRole::application, title);
    const int window = tree.add(AccessibleRole::window, title);
    const auto add = [&](AccessibleRole role, const QString& name, bool pressable, QRectF frame) {
        const int element = tree.add(role, name, pressable);
        tree.element(element).frame = frame;
        tree.append(window, element);
        return element;
    };
    const int save = add(AccessibleRole::button, QStringLiteral("Save"), true, {10, 10, 100, 30});
    const int field =
        add(AccessibleRole::textField, QStringLiteral("File name"), false, {10, 50, 200, 30});
    tree.element(field).editable = true;
    const int overwrite =
        add(AccessibleRole::checkBox, QStringLiteral("Overwrite"), true, {10, 90, 200, 30});
    const int terms = add(AccessibleRole::staticText, QStringLiteral("Terms and conditions"), false,
                          {10, 130, 200, 20});
    tree.append(application, window);
    tree.applications.insert(fakeProcess, application);
    const RunningApplication running{desktopId(probe), title, fakeProcess};
    m_fakeWorkspace->frontmostAnswers = {running};
    m_fakeWorkspace->running = {running};
    m_fakeWorkspace->applicationBefore = running;

    auto overwriteOn = std::make_shared<bool>(false);
    const auto report = [this](const QString& line) { m_reports.append(line); };
    const auto typed = [this, field, report](const QString& text) {
        QString& contents = m_fakeTree->element(field).contents;
        if (text == u"\b")
            contents.chop(1);
        else
            contents += text;
        report(QStringLiteral("text ") + contents);
    };
    const auto activate = [=](int element) {
        if (element == save)
            report(QStringLiteral("clicked Save"));
        else if (element == overwrite)
            report(QStringLiteral("toggled Overwrite ") +
                   ((*overwriteOn = !*overwriteOn) ? QStringLiteral("on") : QStringLiteral("off")));
        else if (element == field)
            report(QStringLiteral("focused fileName"));
        else if (element == terms)
            report(QStringLiteral("label clicked"));
    };
    static const QRegularExpression event(QStringLiteral("^(\\w+)\\((\\d+),?(.*)\\)$"),
                                          QRegularExpression::DotMatchesEverythingOption);
    tree.observer = [=, this](const QString& happened) {
        const QRegularExpressionMatch match = event.match(happened);
        const int element = match.captured(2).toInt();
        if (match.captured(1) == u"press" || match.captured(1) == u"focus")
            activate(element);
        else if (match.captured(1) == u"insert")
            report(QStringLiteral("text ") + m_fakeTree->element(field).contents);
    };
    m_fakeInput->observer = [=, this](const QString& happened) {
        const bool inField = m_fakeTree->element(field).hasFocus;
        if (happened.startsWith(u"unicode(") && inField) {
            typed(happened.mid(8).chopped(1));
        } else if (happened.startsWith(u"key(")) {
            const QKeyCombination key =
                QKeyCombination::fromCombined(happened.mid(4).chopped(1).toInt());
            if (key == (Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_T))
                report(QStringLiteral("shortcut ctrl+shift+t"));
            else if (key == QKeyCombination(Qt::Key_Backspace) && inField)
                typed(QStringLiteral("\b"));
        } else if (happened.startsWith(u"click(")) {
            const QStringList place = happened.mid(6).chopped(1).split(u',');
            const QPointF point(place.value(0).toDouble(), place.value(1).toDouble());
            for (int element : {save, field, overwrite, terms}) {
                if (m_fakeTree->element(element).frame->contains(point)) {
                    if (element == field)
                        m_fakeTree->focus(m_fakeTree->handle(field));
                    else
                        activate(element);
                }
            }
        }
    };
}

} // namespace korvane::test
