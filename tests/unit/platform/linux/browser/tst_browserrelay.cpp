// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/BrowserHostLink.h"
#include "platform/linux/browser/BrowserHostSockets.h"
#include "platform/linux/browser/host/BrowserChannel.h"
#include "platform/linux/browser/host/BrowserRelay.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <qcoro/qcorotask.h>

#include <unistd.h>

using namespace korvane;
using namespace std::chrono_literals;

namespace {

// A browser that answers each method it knows one event-loop turn after the command.
class ScriptedBrowser final : public BrowserChannel {
public:
    QHash<QString, QJsonObject> results{};
    QStringList methods{};

    void send(const QByteArray& message) override
    {
        const QJsonObject command = QJsonDocument::fromJson(message).object();
        const QString method = command.value(u"method").toString();
        methods.append(method);
        const QJsonObject reply{{u"id"_qs, command.value(u"id")},
                                {u"result"_qs, results.value(method)}};
        QTimer::singleShot(0, this, [this, reply] {
            Q_EMIT received(QJsonDocument(reply).toJson(QJsonDocument::Compact));
        });
    }
};

} // namespace

// The host's relay between one browser and several of Korvane's processes, which the real
// browsers only ever see one at a time.
class BrowserRelayTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eachClientGetsItsOwnReplies()
    {
        QTemporaryDir runtime;
        QVERIFY(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        const BrowserHostSockets::Folder folder = BrowserHostSockets::folder();
        QVERIFY2(folder.path, qPrintable(folder.failure));
        const QString socket = BrowserHostSockets::socketPath(*folder.path, u"chromium.desktop"_qs);
        auto* browser = new ScriptedBrowser;
        browser->results = {{u"Browser.getVersion"_qs, {{u"product"_qs, u"A"_qs}}},
                            {u"Target.getTargets"_qs, {{u"targetInfos"_qs, QJsonArray{1, 2}}}},
                            {u"Target.attachToTarget"_qs, {{u"sessionId"_qs, u"S"_qs}}}};
        BrowserRelay relay(
            BrowserHostGreeting{
                RemoteProtocol::devTools, ::getpid(), u"chromium.desktop"_qs, u"Chromium"_qs, {}},
            browser);
        browser->setParent(&relay);
        QVERIFY(relay.listen(socket));

        BrowserHostLink::Pointer first = QCoro::waitFor(BrowserHostLink::connect(socket, 2s));
        const BrowserHostLink::Pointer second =
            QCoro::waitFor(BrowserHostLink::connect(socket, 2s));
        QVERIFY(first && second);
        {
            // Both send their first command with id 1, at once; each gets the answer to its own.
            QCoro::Task<RemoteCall> version =
                BrowserHostLink::call(first, u"Browser.getVersion"_qs, {}, {}, 2s);
            QCoro::Task<RemoteCall> list =
                BrowserHostLink::call(second, u"Target.getTargets"_qs, {}, {}, 2s);
            QCOMPARE(QCoro::waitFor(std::move(list)).result->value(u"targetInfos").toArray().size(),
                     2);
            QCOMPARE(QCoro::waitFor(std::move(version)).result->value(u"product").toString(),
                     u"A"_qs);
        } // The finished calls hold the links until here.

        // A session a client leaves attached is detached for it.
        QVERIFY(
            QCoro::waitFor(BrowserHostLink::call(first, u"Target.attachToTarget"_qs, {}, {}, 2s))
                .result);
        browser->methods.clear();
        first.reset();
        QTRY_COMPARE(browser->methods, QStringList{u"Target.detachFromTarget"_qs});
    }
};

QTEST_GUILESS_MAIN(BrowserRelayTest)
#include "tst_browserrelay.moc"
