// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingToolActions.h"
#include "fakes/FakeActionApprover.h"
#include "realtime/ApprovingToolActions.h"
#include "realtime/ComputerUseToolArguments.h"
#include "realtime/ComputerUseToolDispatch.h"
#include "uiautomation/KeyboardKey.h"

#include <QTest>

using namespace korvane;

class ComputerUseToolDispatchTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unusableArguments_data();
    void unusableArguments();
    void nonStringMembersAreAbsent();
    void dispatch_data();
    void dispatch();
    void proposedActionsWaitForApproval_data();
    void proposedActionsWaitForApproval();
};

void ComputerUseToolDispatchTest::unusableArguments_data()
{
    QTest::addColumn<QString>("json");
    QTest::newRow("empty object") << u"{}"_qs;
    QTest::newRow("action not a string") << uR"({"action":3})"_qs;
    QTest::newRow("not JSON") << u"open_app"_qs;
    QTest::newRow("lone surrogate") << QString(u"{\"action\":\"x\"}"_qs + QChar(0xD800));
}

void ComputerUseToolDispatchTest::unusableArguments()
{
    QFETCH(QString, json);
    QCOMPARE(ComputerUseToolArguments::parse(json), std::nullopt);
}

void ComputerUseToolDispatchTest::nonStringMembersAreAbsent()
{
    const std::optional<ComputerUseToolArguments> arguments = ComputerUseToolArguments::parse(
        uR"({"action":"open_app","app_name":5,"url":null,"text":"","key":["enter"],"script_code":"pass"})"_qs);
    QVERIFY(arguments);
    QCOMPARE(arguments->action, u"open_app"_qs);
    QCOMPARE(arguments->appName, std::nullopt);
    QCOMPARE(arguments->url, std::nullopt);
    QCOMPARE(arguments->text, std::optional<QString>(QString()));
    QCOMPARE(arguments->key, std::nullopt);
    QCOMPARE(arguments->scriptCode, std::optional<QString>(u"pass"_qs));
}

void ComputerUseToolDispatchTest::dispatch_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("calls");

    const auto row = [](const char* name, const QString& json, const QString& summary,
                        const QStringList& calls = {}) {
        QTest::newRow(name) << json << summary << calls;
    };
    row("open app", uR"({"action":"open_app","app_name":"Mail"})"_qs, u"Did openApp Mail."_qs,
        {u"openApp Mail"_qs});
    row("action trimmed and lower-cased", uR"({"action":" Open_App \n","app_name":"Mail"})"_qs,
        u"Did openApp Mail."_qs, {u"openApp Mail"_qs});
    row("open app, empty name", uR"({"action":"open_app","app_name":""})"_qs,
        u"No application name provided."_qs);
    row("open url", uR"({"action":"open_url","url":"example.com"})"_qs,
        u"Did openURL example.com."_qs, {u"openURL example.com"_qs});
    row("open url, missing", uR"({"action":"open_url"})"_qs, u"No URL provided."_qs);
    row("inspect", uR"({"action":"inspect_ui"})"_qs, u"Did inspectUI."_qs, {u"inspectUI"_qs});
    row("click", uR"({"action":"click","target_name":"Send"})"_qs, u"Did click Send."_qs,
        {u"click Send"_qs});
    row("click, missing", uR"({"action":"click"})"_qs, u"No element name provided to click."_qs);
    // A name of spaces is not empty: the operation trims it itself.
    row("type", uR"({"action":"type","text":"hi"})"_qs, u"Did type [hi]."_qs, {u"type [hi]"_qs});
    row("type, empty text is typed", uR"({"action":"type","text":""})"_qs, u"Did type []."_qs,
        {u"type []"_qs});
    row("type into a field", uR"({"action":"type","text":"hi","target_name":"To"})"_qs,
        u"Did type [hi] into To."_qs, {u"type [hi] into To"_qs});
    row("type, empty field ignored", uR"({"action":"type","text":"hi","target_name":""})"_qs,
        u"Did type [hi]."_qs, {u"type [hi]"_qs});
    row("type, missing text", uR"({"action":"type","target_name":"To"})"_qs,
        u"No text provided to type."_qs);
    row("press key", uR"({"action":"press_key","key":"command shift t"})"_qs,
        u"Did press "_qs +
            KeyboardKey::parse(u"command shift t").value_or(KeyboardKey{}).displayName + u' ' +
            QString::number(KeyboardKey::command | KeyboardKey::shift) + u'.',
        {u"press "_qs + KeyboardKey::parse(u"command shift t").value_or(KeyboardKey{}).displayName +
         u' ' + QString::number(KeyboardKey::command | KeyboardKey::shift)});
    row("press key, missing", uR"({"action":"press_key"})"_qs, u"Invalid or missing key: "_qs);
    row("press key, not a key", uR"({"action":"press_key","key":"shift"})"_qs,
        u"Invalid or missing key: shift"_qs);
    row("search", uR"({"action":"search_web","query":"rust"})"_qs, u"Did search rust."_qs,
        {u"search rust"_qs});
    row("search, missing", uR"({"action":"search_web","query":""})"_qs,
        u"No search query provided."_qs);
    row("image with ratio",
        uR"({"action":"generate_image","prompt":"a fox","aspect_ratio":"16:9"})"_qs,
        u"Did image a fox 16:9."_qs, {u"image a fox 16:9"_qs});
    row("image without ratio", uR"({"action":"generate_image","prompt":"a fox"})"_qs,
        u"Did image a fox -."_qs, {u"image a fox -"_qs});
    row("image, missing prompt", uR"({"action":"generate_image"})"_qs,
        u"No prompt provided to generate the image."_qs);
    row("recipe", uR"({"action":"get_recipe","query":"pancakes"})"_qs, u"Did recipe pancakes."_qs,
        {u"recipe pancakes"_qs});
    row("recipe, missing", uR"({"action":"get_recipe","prompt":"pancakes"})"_qs,
        u"No recipe query provided."_qs);
    row("script", uR"({"action":"run_python_script","script_code":"pass"})"_qs,
        u"Did script pass."_qs, {u"script pass"_qs});
    row("script, missing", uR"({"action":"run_python_script"})"_qs, u"No script code provided."_qs);
    row("unknown action as received", uR"({"action":" Launch "})"_qs,
        u"Action ' Launch ' is not supported."_qs);
}

void ComputerUseToolDispatchTest::dispatch()
{
    QFETCH(QString, json);
    QFETCH(QString, summary);
    QFETCH(QStringList, calls);
    const std::optional<ComputerUseToolArguments> arguments = ComputerUseToolArguments::parse(json);
    QVERIFY(arguments);
    const auto actions = std::make_shared<RecordingToolActions>();
    const ComputerUseResult result = QCoro::waitFor(executeToolAction(actions, *arguments));
    QCOMPARE(result.summary, summary);
    QCOMPARE(result.artifact, std::nullopt);
    QCOMPARE(actions->calls, calls);
}

void ComputerUseToolDispatchTest::proposedActionsWaitForApproval_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<ApprovalDecision>("decision");
    // "kind|target|text" of each question the approver got.
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("summary");

    const QString script = uR"({"action":"run_python_script","script_code":"pass"})"_qs;
    const QString shiftT =
        KeyboardKey::parse(u"command shift t").value_or(KeyboardKey{}).displayName;
    QTest::newRow("script approved")
        << script << ApprovalDecision::approved << QStringList{u"0||pass"_qs}
        << QStringList{u"script pass"_qs} << u"Did script pass."_qs;
    QTest::newRow("script approved with the network")
        << script << ApprovalDecision::approvedWithNetwork << QStringList{u"0||pass"_qs}
        << QStringList{u"script pass with network"_qs} << u"Did script pass with network."_qs;
    QTest::newRow("script declined")
        << script << ApprovalDecision::declined << QStringList{u"0||pass"_qs} << QStringList{}
        << u"The script did not run: the user declined it."_qs;
    QTest::newRow("script with nobody to ask")
        << script << ApprovalDecision::unattended << QStringList{u"0||pass"_qs} << QStringList{}
        << u"The script did not run: actions the assistant proposes need the user's approval, "
           "and nobody was asked. Turn on Allow Computer Control in Korvane's settings, or pass "
           "--allow-computer-control to korvane-cli."_qs;
    QTest::newRow("typing into a field declined")
        << uR"({"action":"type","text":"hi","target_name":"To"})"_qs << ApprovalDecision::declined
        << QStringList{u"1|To|hi"_qs} << QStringList{}
        << u"Nothing was typed: the user declined it."_qs;
    QTest::newRow("typing approved")
        << uR"({"action":"type","text":"hi"})"_qs << ApprovalDecision::approved
        << QStringList{u"1||hi"_qs} << QStringList{u"type [hi]"_qs} << u"Did type [hi]."_qs;
    QTest::newRow("key press declined")
        << uR"({"action":"press_key","key":"command shift t"})"_qs << ApprovalDecision::declined
        << QStringList{u"2|"_qs + shiftT + u'|'} << QStringList{}
        << u"The key was not pressed: the user declined it."_qs;
    QTest::newRow("click declined")
        << uR"({"action":"click","target_name":"Send"})"_qs << ApprovalDecision::declined
        << QStringList{u"3|Send|"_qs} << QStringList{}
        << u"Nothing was clicked: the user declined it."_qs;
    QTest::newRow("opening an application never asks")
        << uR"({"action":"open_app","app_name":"Mail"})"_qs << ApprovalDecision::declined
        << QStringList{} << QStringList{u"openApp Mail"_qs} << u"Did openApp Mail."_qs;
    QTest::newRow("a missing argument never asks")
        << uR"({"action":"type"})"_qs << ApprovalDecision::declined << QStringList{}
        << QStringList{} << u"No text provided to type."_qs;
}

void ComputerUseToolDispatchTest::proposedActionsWaitForApproval()
{
    QFETCH(QString, json);
    QFETCH(ApprovalDecision, decision);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, calls);
    QFETCH(QString, summary);
    const auto recording = std::make_shared<RecordingToolActions>();
    const auto approver = std::make_shared<test::FakeActionApprover>();
    approver->decision = decision;
    const auto actions = std::make_shared<ApprovingToolActions>(recording, approver);

    const ComputerUseResult result =
        QCoro::waitFor(executeToolAction(actions, *ComputerUseToolArguments::parse(json)));
    QCOMPARE(result.summary, summary);
    // Nothing done is a failure the command line reports.
    QCOMPARE(result.failed, calls.isEmpty());
    QCOMPARE(recording->calls, calls);
    QStringList questions;
    for (const ProposedAction& action : std::as_const(approver->asked))
        questions.append(QString::number(static_cast<int>(action.kind)) + u'|' + action.target +
                         u'|' + action.text);
    QCOMPARE(questions, asked);
}

QTEST_GUILESS_MAIN(ComputerUseToolDispatchTest)
#include "tst_computerusetooldispatch.moc"
