// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the reader of a computer_use call's arguments, and the key a call
// names to the key parser, as a tool call would.
#include "realtime/ComputerUseToolArguments.h"
#include "uiautomation/KeyboardKey.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<korvane::ComputerUseToolArguments> arguments =
        korvane::ComputerUseToolArguments::parse(QString::fromUtf8(bytes));
    if (!arguments)
        return 0;
    // A parsed call always names its action; members that were no strings stay absent.
    if (arguments->key)
        (void)korvane::KeyboardKey::parse(*arguments->key);
    (void)arguments->action.trimmed().toLower();
    return 0;
}
