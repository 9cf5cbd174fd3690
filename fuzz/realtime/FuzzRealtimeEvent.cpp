// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the realtime server-event parser, as the receive loop would (UTF-8
// with invalid sequences replaced), and the texts it finds to the tool-argument parser and the
// spoken-intent tests.
#include "realtime/ComputerUseToolArguments.h"
#include "realtime/RealtimeServerEvent.h"
#include "realtime/SpokenText.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <variant>

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);
    const std::optional<RealtimeServerEvent> event = RealtimeServerEvent::parse(text);

    // The raw text also stands for tool arguments and a spoken transcript.
    (void)ComputerUseToolArguments::parse(text);
    (void)SpokenText::isStopCommand(text);
    (void)SpokenText::containsWakePhrase(text);
    if (!event)
        return 0;
    if (const auto* call = std::get_if<RealtimeServerEvent::FunctionCall>(&event->payload)) {
        if (call->arguments)
            (void)ComputerUseToolArguments::parse(*call->arguments);
    } else if (const auto* user =
                   std::get_if<RealtimeServerEvent::UserTranscription>(&event->payload)) {
        if (user->transcript) {
            (void)SpokenText::isStopCommand(*user->transcript);
            (void)SpokenText::containsWakePhrase(*user->transcript);
        }
    }
    return 0;
}
