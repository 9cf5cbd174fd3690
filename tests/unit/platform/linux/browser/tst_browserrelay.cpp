// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeWorkspace.h"
#include "platform/linux/browser/BrowserHostLink.h"
#include "platform/linux/browser/BrowserHostSockets.h"
#include "platform/linux/browser/RemoteBrowserAutomation.h"
#include "platform/linux/browser/host/BrowserChannel.h"
#include "platform/linux/browser/host/BrowserRelay.h"
#include "platform/linux/xdg/XdgApplicationCatalog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <qcoro/qcorotask.h>

#include <functional>
#include <unistd.h>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

using OptionalText = std::optional<QString>;
// Method → its result; a method without one is never answered, one with a string is refused,
// one with a list gets its results in turn (the last repeats).
using Script = QHash<QString, QJsonValue>;

namespace {

// A step's failure sentence, or nothing when it succeeded: QCoro::waitFor needs a result it
// can default-construct, which an Outcome is not.
QCoro::Task<std::optional<QString>> failureOf(QCoro::Task<Outcome> step)
{
    const Outcome outcome = co_await std::move(step);
    co_return outcome ? std::nullopt : std::optional<QString>(outcome.error());
}

// A browser whose replies come from a script, one event-loop turn after each command.
class ScriptedBrowser final : public BrowserChannel {
public:
    Script script{};
    QStringList methods{};
    QHash<QString, int> calls{};
    // Called once the reply to this method has gone out.
    QString quitsAfter{};
    std::function<void()> quit{};

    void send(const QByteArray& message) override
    {
        const QJsonObject command = QJsonDocument::fromJson(message).object();
        const QString method = command.value(u"method").toString();
        methods.append(method);
        const auto found = script.constFind(method);
        if (found == script.cend())
            return;
        QJsonValue answer = *found;
        if (answer.isArray()) {
            const QJsonArray answers = answer.toArray();
            answer = answers.at(std::min<qsizetype>(calls[method]++, answers.size() - 1));
        }
        QJsonObject reply{{u"id"_qs, command.value(u"id")}};
        if (answer.isString())
            reply.insert(u"error"_qs, QJsonObject{{u"message"_qs, answer.toString()}});
        else
            reply.insert(u"result"_qs, answer);
        const bool quits = method == quitsAfter;
        QTimer::singleShot(0, this, [this, reply, quits] {
            Q_EMIT received(QJsonDocument(reply).toJson(QJsonDocument::Compact));
            if (quits)
                quit();
        });
    }
};

QJsonObject targets(int count)
{
    QJsonArray list;
    for (int i = 0; i < count; ++i)
        list.append(
            QJsonObject{{u"targetId"_qs, QString::number(i)},
                        {u"type"_qs, u"page"_qs},
                        {u"url"_qs, QString(u"http://127.0.0.1/"_qs + QString::number(i))}});
    return {{u"targetInfos"_qs, list}};
}

QJsonObject probeAnswer(const char* visibility, bool focused)
{
    return {{u"result"_qs,
             QJsonObject{{u"value"_qs, QJsonArray{QString::fromLatin1(visibility), focused}}}}};
}

} // namespace

// The host's relay between a browser and Korvane's processes, and the sentences the browser
// port makes of what a browser answers, over a scripted Chromium.
class BrowserRelayTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void eachClientGetsItsOwnReplies();
    void closingTheFrontTab_data();
    void closingTheFrontTab();

private:
    QTemporaryDir m_runtime;
    ScriptedBrowser* m_browser = nullptr;
    std::unique_ptr<BrowserRelay> m_relay;
    QString m_socket;
};

void BrowserRelayTest::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
    const BrowserHostSockets::Folder folder = BrowserHostSockets::folder();
    QVERIFY2(folder.path, qPrintable(folder.failure));
    m_socket = BrowserHostSockets::socketPath(*folder.path, u"chromium.desktop"_qs);
}

void BrowserRelayTest::init()
{
    m_browser = new ScriptedBrowser;
    // This process stands in for the browser's, so the window below belongs to it.
    m_relay = std::make_unique<BrowserRelay>(
        BrowserHostGreeting{
            RemoteProtocol::devTools, ::getpid(), u"chromium.desktop"_qs, u"Chromium"_qs, {}},
        m_browser);
    m_browser->setParent(m_relay.get());
    QVERIFY(m_relay->listen(m_socket));
}

void BrowserRelayTest::cleanup()
{
    m_relay.reset();
    m_browser = nullptr;
}

void BrowserRelayTest::eachClientGetsItsOwnReplies()
{
    m_browser->script = {{u"Browser.getVersion"_qs, QJsonObject{{u"product"_qs, u"A"_qs}}},
                         {u"Target.getTargets"_qs, targets(2)}};
    BrowserHostLink::Pointer first = QCoro::waitFor(BrowserHostLink::connect(m_socket, 2s));
    const BrowserHostLink::Pointer second = QCoro::waitFor(BrowserHostLink::connect(m_socket, 2s));
    QVERIFY(first && second);
    QCOMPARE(first->greeting().name, u"Chromium"_qs);
    {
        // Both send their first command with id 1, at once; each gets the answer to its own.
        QCoro::Task<RemoteCall> version =
            BrowserHostLink::call(first, u"Browser.getVersion"_qs, {}, {}, 2s);
        QCoro::Task<RemoteCall> list =
            BrowserHostLink::call(second, u"Target.getTargets"_qs, {}, {}, 2s);
        QCOMPARE(QCoro::waitFor(std::move(list)).result->value(u"targetInfos").toArray().size(), 2);
        QCOMPARE(QCoro::waitFor(std::move(version)).result->value(u"product").toString(), u"A"_qs);
    } // The finished calls hold the links until here.

    // A session a client leaves attached is detached for it.
    m_browser->script.insert(u"Target.attachToTarget"_qs, QJsonObject{{u"sessionId"_qs, u"S"_qs}});
    QVERIFY(QCoro::waitFor(BrowserHostLink::call(first, u"Target.attachToTarget"_qs, {}, {}, 2s))
                .result);
    m_browser->methods.clear();
    first.reset();
    QTRY_COMPARE(m_browser->methods, QStringList{u"Target.detachFromTarget"_qs});
}

void BrowserRelayTest::closingTheFrontTab_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<bool>("quitsWithTheTab");
    QTest::addColumn<OptionalText>("expected");
    QTest::addColumn<bool>("asksToClose");

    const Script twoTabs{
        {u"Target.getTargets"_qs, targets(2)},
        {u"Target.attachToTarget"_qs, QJsonObject{{u"sessionId"_qs, u"S"_qs}}},
        {u"Target.detachFromTarget"_qs, QJsonObject()},
        {u"Page.createIsolatedWorld"_qs, QJsonObject{{u"executionContextId"_qs, 7}}},
        {u"Target.closeTarget"_qs, QJsonObject{{u"success"_qs, true}}}};
    Script shown = twoTabs;
    shown.insert(u"Runtime.evaluate"_qs, probeAnswer("visible", false));
    QTest::newRow("two windows show a tab, neither has the focus: nothing is closed")
        << shown << false
        << OptionalText(u"Chromium has several windows open, and Korvane cannot tell which one "
                        u"is in front. Close or minimize the ones you are not using and try "
                        u"again."_qs)
        << false;
    Script hidden = twoTabs;
    hidden.insert(u"Runtime.evaluate"_qs, probeAnswer("hidden", false));
    // The list keeps showing the tab: the page asked to stay.
    Script kept = twoTabs;
    kept.insert(u"Runtime.evaluate"_qs,
                QJsonArray{probeAnswer("visible", false), probeAnswer("hidden", false)});
    QTest::newRow("the tab stays open: not reported closed")
        << kept << false
        << OptionalText(u"Chromium kept the tab open; the page may be asking whether to leave."_qs)
        << true;
    QTest::newRow("the last tab closes the browser and its host: closed")
        << kept << true << OptionalText() << true;
    QTest::newRow("the browser does not answer")
        << Script{} << false << OptionalText(u"Chromium did not answer in time."_qs) << false;
    QTest::newRow("the browser refuses") << Script{{u"Target.getTargets"_qs, u"Not allowed"_qs}}
                                         << false << OptionalText(u"Not allowed."_qs) << false;
}

void BrowserRelayTest::closingTheFrontTab()
{
    QFETCH(Script, script);
    QFETCH(bool, quitsWithTheTab);
    QFETCH(OptionalText, expected);
    QFETCH(bool, asksToClose);
    m_browser->script = script;
    QStringList methods;
    if (quitsWithTheTab) {
        m_browser->quitsAfter = u"Target.closeTarget"_qs;
        m_browser->quit = [this, &methods] {
            methods = m_browser->methods;
            // The host ends with its browser, after this reply has gone out.
            QMetaObject::invokeMethod(
                this, [this] { m_relay.reset(); }, Qt::QueuedConnection);
        };
    }
    auto workspace = std::make_shared<FakeWorkspace>();
    workspace->frontmostAnswers = {
        RunningApplication{u"chromium.desktop"_qs, u"Chromium"_qs, ::getpid()}};
    RemoteDeadlines deadlines;
    deadlines.command = 300ms;
    deadlines.probe = 300ms;
    deadlines.closing = 300ms;
    RemoteBrowserAutomation browsers(workspace, std::make_shared<XdgApplicationCatalog>(),
                                     deadlines);
    const std::optional<BrowserTarget> front = QCoro::waitFor(browsers.frontmost());
    QVERIFY(front);
    QCOMPARE(QCoro::waitFor(failureOf(browsers.closeActiveTab(*front))), expected);
    if (!quitsWithTheTab)
        methods = m_browser->methods;
    QCOMPARE(methods.contains(u"Target.closeTarget"_qs), asksToClose);
}

QTEST_GUILESS_MAIN(BrowserRelayTest)
#include "tst_browserrelay.moc"
