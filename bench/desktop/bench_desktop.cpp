// SPDX-License-Identifier: GPL-3.0-or-later
// What desktop control costs on one desktop (KORVANE_TEST_DESKTOP: x11, gnome, kde or fake),
// with a real Qt probe window in front: the first-use consent round trip of the input backend,
// typing 200 characters into a field (through its editable text, as the program types, and
// as keys), one key chord, and a frontmost lookup. Prints medians in milliseconds. The main
// thread serves its events while input is posted, as the program's does: portal answers
// arrive there.
#include "ContractDesktop.h"
#include "platform/AutomationThread.h"
#include "platform/InputSynthesizer.h"
#include "platform/Workspace.h"
#include "uiautomation/UIAutomation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <functional>

using namespace korvane;
using namespace korvane::test;

namespace {

// Serves the main thread's events until `future` is done, as the program's event loop would.
template <typename T>
void serveUntilDone(const QFuture<T>& future)
{
    while (!future.isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

constexpr int runs = 7;

double milliseconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(const std::function<void()>& work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i)
        times.append(milliseconds(work));
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    ContractDesktop desktop;
    QString why;
    if (!desktop.start(&why) || !desktop.show(ContractDesktop::Probe::qt, &why)) {
        out << "SKIP: " << why << '\n';
        return 0;
    }
    const DesktopBackends& backends = desktop.backends();
    UIAutomation& ui = *backends.ports.uiAutomation;
    InputSynthesizer& input = *backends.input;
    const QString text =
        QString(u"The quick brown fox jumps over the lazy dog. "_qs).repeated(5).left(200);

    const double consent = milliseconds(
        [&] { serveUntilDone(runOnAutomationThread([&input] { return input.prepare(); })); });
    // Until each call returns: the events are then with the desktop.
    const double typed = median([&] { QCoro::waitFor(ui.typeText(text, u"File name"_qs)); });
    const double keys = median([&] {
        serveUntilDone(runOnAutomationThread([&] {
            for (const QChar character : text)
                input.postUnicode(QString(character));
        }));
    });
    const double chord = median([&] {
        serveUntilDone(runOnAutomationThread([&input] {
            return input.postKey(Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        }));
    });
    const double frontmost =
        median([&] { QCoro::waitFor(backends.ports.workspace->frontmostApplication()); });

    out << "desktop " << desktop.name() << " (" << backends.session.description() << ")\n"
        << "first-use consent round trip: " << consent << " ms\n"
        << "type 200 characters into a field: median " << typed << " ms\n"
        << "200 characters as keys: median " << keys << " ms\n"
        << "key chord: median " << chord << " ms\n"
        << "frontmost lookup: median " << frontmost << " ms\n";
    return 0;
}
