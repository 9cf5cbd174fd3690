// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the readers of what browsers and their hosts send: framed messages,
// replies in both protocols with their evaluation results, the host's greeting, the click
// script's answer, the address of the tab the navigation fallback builds on, and the system
// files read to trust and start a browser (/proc/net/tcp, Firefox's profiles.ini).
#include "platform/linux/browser/BiDiTabs.h"
#include "platform/linux/browser/BrowserHostGreeting.h"
#include "platform/linux/browser/FirefoxProfile.h"
#include "platform/linux/browser/NavigationFallback.h"
#include "platform/linux/browser/PageClickScript.h"
#include "platform/linux/browser/RemoteMessage.h"
#include "platform/linux/browser/RuntimeEvaluation.h"
#include "platform/linux/browser/host/LoopbackListener.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace korvane;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);

    MessageFrames frames(4096);
    for (const QByteArray& message : frames.append(bytes)) {
        (void)BrowserHostGreeting::parse(message);
        if (const std::optional<RemoteReply> reply = RemoteMessage::parseReply(message)) {
            const EvaluationOutcome outcome = RuntimeEvaluation::read(reply->result);
            if (outcome.value.isString())
                (void)PageClickScript::clickedSummary(outcome.value.toString());
            (void)BiDiTabs::plainValue(reply->result.value(u"result").toObject());
        }
    }
    (void)LoopbackListener::listeningInode(text, 42483, 1000);
    (void)FirefoxProfile::defaultProfile(text, u"/profiles"_qs, u"firefox-esr.desktop"_qs);
    // The input as a tab address and as a label.
    const QString label = text.section(u'\n', 1);
    (void)NavigationFallback::url(text.section(u'\n', 0, 0), label, u"www.apple.com");
    (void)PageClickScript::expression(label);
    return 0;
}
