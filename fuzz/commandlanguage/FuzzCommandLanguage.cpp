// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the whole parser chain, the key parser and the address parser, as
// UTF-8 (invalid sequences decoded to replacement characters) and as raw UTF-16 (which gives
// lone surrogates). Every text a command carries that is cut straight from the input must be
// found in the input: a cut at a wrong position shows up as text that was never there.
#include "computeruse/command/CommandJson.h"
#include "computeruse/command/CommandParsing.h"
#include "computeruse/command/URLNormalizer.h"
#include "uiautomation/KeyboardKey.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <variant>

namespace {

using namespace korvane;

template <typename... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <typename... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

void requireCut(const QString& input, const QString& part)
{
    if (!input.contains(part))
        std::abort();
}

void checkCuts(const QString& input, const ComputerUseCommand& command)
{
    using namespace command;
    std::visit(Overloaded{
                   [](const Music&) {}, // clean-up removes inner phrases
                   [&](const OpenApp& c) { requireCut(input, c.name); },
                   [&](const OpenURL& c) { requireCut(input, c.text); },
                   [&](const CloseWebsite& c) { requireCut(input, c.text); },
                   [&](const SearchWeb& c) { requireCut(input, c.query); },
                   [&](const TypeText& c) { requireCut(input, c.text); },
                   [&](const TypeTextIntoField& c) {
                       requireCut(input, c.text);
                       requireCut(input, c.field);
                   },
                   [&](const FocusField& c) { requireCut(input, c.name); },
                   [&](const ClickElement& c) { requireCut(input, c.name); },
                   [](const PressKey&) {},
                   [&](const Sequence& c) {
                       for (const ComputerUseCommand& step : c.commands)
                           checkCuts(input, step);
                   },
                   [](const CloseActiveTab&) {},
                   [](const CreatePagesDocument&) {},
                   [](const InspectUI&) {},
               },
               command.value);
}

void exercise(const QString& text)
{
    if (const std::optional<ComputerUseCommand> command = parseComputerUseCommand(text)) {
        checkCuts(text, *command);
        (void)CommandJson::toJson(*command);
    }
    if (const std::optional<KeyboardKey> key = KeyboardKey::parse(text)) {
        if (key->displayName.isEmpty())
            std::abort();
    }
    if (const std::optional<QUrl> url = URLNormalizer::url(text))
        (void)URLNormalizer::canonicalHost(*url);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringDecoder decoder(QStringDecoder::Utf8);
    exercise(decoder(bytes));
    exercise(QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2));
    return 0;
}
