// SPDX-License-Identifier: GPL-3.0-or-later
// CPU time per parse of the whole chain over realistic commands, and over long texts to show the
// growth with length. Prints medians of repeated batches.
#include "computeruse/command/CommandParsing.h"
#include "uiautomation/KeyboardKey.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace korvane;

namespace {

const QStringList realisticCommands = {
    u"open Safari and then go to example.com"_qs,
    u"go to example.com and click on the Sign In button"_qs,
    u"type hello world into the notes field"_qs,
    u"set the name field to Alice"_qs,
    u"click the OK button"_qs,
    u"close the current tab"_qs,
    u"search the web for best pizza nearby."_qs,
    u"open the calculator app"_qs,
    u"pause the music"_qs,
    u"play some jazz in my music app"_qs,
    u"from my Road Trip playlist play Bohemian Rhapsody"_qs,
    u"press command shift t"_qs,
    u"please inspect UI"_qs,
    u"what is the weather like in Lisbon tomorrow?"_qs,
    u"write a short poem about the sea"_qs,
    u"tell me a joke about programmers"_qs,
};

// This thread's CPU time: the machine is shared, and wall time would count other work too.
double cpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e9 + double(now.tv_nsec);
}

// CPU nanoseconds per call: the median of `batches` batches of `repeats` calls each.
template <typename F>
double medianNanoseconds(F&& call, int batches, int repeats)
{
    QList<double> samples;
    for (int b = 0; b < batches; ++b) {
        const double start = cpuNanoseconds();
        for (int r = 0; r < repeats; ++r)
            call();
        samples.append((cpuNanoseconds() - start) / repeats);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

QString repeatedTo(const QString& piece, qsizetype length)
{
    QString text;
    while (text.size() < length)
        text += piece;
    return text.left(length);
}

volatile bool sink = false;

} // namespace

int main()
{
    QList<double> perCommand;
    for (const QString& command : realisticCommands) {
        const double ns = medianNanoseconds(
            [&] { sink = parseComputerUseCommand(command).has_value(); }, 21, 2000);
        perCommand.append(ns);
        std::printf("%8.2f us  %s\n", ns / 1000.0, command.toUtf8().constData());
    }
    std::sort(perCommand.begin(), perCommand.end());
    std::printf("median per parse over %lld realistic commands: %.2f us (max %.2f us)\n",
                static_cast<long long>(perCommand.size()),
                perCommand[perCommand.size() / 2] / 1000.0, perCommand.back() / 1000.0);
    const double keyNs = medianNanoseconds(
        [] { sink = KeyboardKey::parse(u"command shift t"_qs).has_value(); }, 21, 5000);
    std::printf("KeyboardKey::parse(\"command shift t\"): %.2f us\n", keyNs / 1000.0);

    struct LongInput {
        const char* name;
        QString piece;
    };
    const QList<LongInput> longInputs = {
        {"prose", u"the quick brown fox jumps over the lazy dog, "_qs},
        {"typed text", u"lorem ipsum dolor sit amet "_qs},
        {"non-ASCII prose", u"İstanbul'da güzel bir gün, "_qs},
        {"connector chain", u"open Notes and "_qs},
        {"mixed connectors", u"click OK and then click Close then "_qs},
    };
    for (const LongInput& input : longInputs) {
        for (qsizetype length : {qsizetype(10'000), qsizetype(20'000), qsizetype(40'000)}) {
            QString text = repeatedTo(input.piece, length);
            if (qstrcmp(input.name, "typed text") == 0)
                text.prepend(u"type ");
            const double ns =
                medianNanoseconds([&] { sink = parseComputerUseCommand(text).has_value(); }, 5, 3);
            std::printf("%-16s %6lld chars: %10.1f us\n", input.name,
                        static_cast<long long>(length), ns / 1000.0);
        }
    }
    return 0;
}
