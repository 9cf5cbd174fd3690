// Feeds arbitrary bytes to the readers of what a browser's DevTools endpoint sends: the target
// list, command replies with evaluation results, the click script's answer and the address of
// the tab the navigation fallback builds on.
#include "platform/linux/devtools/DevToolsMessage.h"
#include "platform/linux/devtools/DevToolsTargetList.h"
#include "platform/linux/devtools/NavigationFallback.h"
#include "platform/linux/devtools/PageClickScript.h"
#include "platform/linux/devtools/RuntimeEvaluation.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);

    if (const auto targets = korvane::DevToolsTargetList::parse(bytes)) {
        if (const auto page = korvane::DevToolsTargetList::activePage(*targets)) {
            (void)korvane::NavigationFallback::url(page->url, page->title, u"www.apple.com");
        }
    }
    if (const auto reply = korvane::DevToolsMessage::parseReply(text)) {
        const korvane::EvaluationOutcome outcome = korvane::RuntimeEvaluation::read(reply->result);
        if (outcome.value.isString())
            (void)korvane::PageClickScript::clickedSummary(outcome.value.toString());
    }
    // The input as a tab address and as a label.
    const QString label = text.section(u'\n', 1);
    (void)korvane::NavigationFallback::url(text.section(u'\n', 0, 0), label, u"www.apple.com");
    (void)korvane::PageClickScript::expression(label);
    return 0;
}
