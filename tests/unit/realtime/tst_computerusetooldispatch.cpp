// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingToolActions.h"
#include "fakes/FakeActionApprover.h"
#include "realtime/ApprovingToolActions.h"
#include "realtime/ComputerUseToolArguments.h"
#include "realtime/ComputerUseToolDispatch.h"

#include <QTest>

using namespace korvane;

class ComputerUseToolDispatchTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each action reaches its operation with the arguments it names, or is answered with what
    // is missing.
    void dispatch_data()
    {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("refusal");
        const auto row = [](const char* name, const char* json, const char* call,
                            const char* refusal = "") {
            QTest::newRow(name) << QString::fromUtf8(json) << QString::fromUtf8(call)
                                << QString::fromUtf8(refusal);
        };
        row("open app", R"({"action":"open_app","app_name":"Mail"})", "openApp Mail");
        row("action trimmed and lower-cased", R"({"action":" Open_App \n","app_name":"Mail"})",
            "openApp Mail");
        row("open app, empty name", R"({"action":"open_app","app_name":""})", "",
            "No application name provided.");
        row("open url", R"({"action":"open_url","url":"example.com"})", "openURL example.com");
        row("click", R"({"action":"click","target_name":"Send"})", "click Send");
        row("type, empty text is typed", R"({"action":"type","text":""})", "type []");
        row("type into a field", R"({"action":"type","text":"hi","target_name":"To"})",
            "type [hi] into To");
        row("type, empty field ignored", R"({"action":"type","text":"hi","target_name":""})",
            "type [hi]");
        row("type, missing text", R"({"action":"type","target_name":"To"})", "",
            "No text provided to type.");
        row("press key", R"({"action":"press_key","key":"command shift t"})",
            "press Command-Shift-T");
        row("press key, not a key", R"({"action":"press_key","key":"shift"})", "",
            "Invalid or missing key: shift");
        row("search", R"({"action":"search_web","query":"rust"})", "search rust");
        row("search, empty", R"({"action":"search_web","query":""})", "",
            "No search query provided.");
        row("image with ratio",
            R"({"action":"generate_image","prompt":"a fox","aspect_ratio":"16:9"})",
            "image a fox 16:9");
        row("recipe", R"({"action":"get_recipe","query":"pancakes"})", "recipe pancakes");
        row("recipe, query under another name", R"({"action":"get_recipe","prompt":"pancakes"})",
            "", "No recipe query provided.");
        row("script", R"({"action":"run_python_script","script_code":"pass"})", "script pass");
        row("unknown action as received", R"({"action":" Launch "})", "",
            "Action ' Launch ' is not supported.");
    }

    void dispatch()
    {
        QFETCH(QString, json);
        QFETCH(QString, call);
        QFETCH(QString, refusal);
        const std::optional<ComputerUseToolArguments> arguments =
            ComputerUseToolArguments::parse(json);
        QVERIFY(arguments);
        const auto actions = std::make_shared<RecordingToolActions>();
        const ComputerUseResult result = QCoro::waitFor(executeToolAction(actions, *arguments));
        QCOMPARE(result.summary, call.isEmpty() ? refusal : u"Did "_qs + call + u'.');
        QCOMPARE(result.artifact, std::nullopt);
        QCOMPARE(actions->calls, call.isEmpty() ? QStringList{} : QStringList{call});
    }

    void proposedActionsWaitForApproval_data()
    {
        QTest::addColumn<QString>("json");
        QTest::addColumn<ApprovalDecision>("decision");
        // "kind|target|text" of the question the approver got; empty: none.
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("call"); // empty: nothing done
        QTest::addColumn<QString>("summary");

        const QString script = uR"({"action":"run_python_script","script_code":"pass"})"_qs;
        QTest::newRow("script approved") << script << ApprovalDecision::approved << u"0||pass"_qs
                                         << u"script pass"_qs << u"Did script pass."_qs;
        QTest::newRow("script approved with the network")
            << script << ApprovalDecision::approvedWithNetwork << u"0||pass"_qs
            << u"script pass with network"_qs << u"Did script pass with network."_qs;
        QTest::newRow("script declined")
            << script << ApprovalDecision::declined << u"0||pass"_qs << QString()
            << u"The script did not run: the user declined it."_qs;
        QTest::newRow("script with nobody to ask")
            << script << ApprovalDecision::unattended << u"0||pass"_qs << QString()
            << u"The script did not run: actions the assistant proposes need the user's approval, "
               "and nobody was asked. Turn on Allow Computer Control in Korvane's settings, or "
               "pass "
               "--allow-computer-control to korvane-cli."_qs;
        QTest::newRow("typing into a field declined")
            << uR"({"action":"type","text":"hi","target_name":"To"})"_qs
            << ApprovalDecision::declined << u"1|To|hi"_qs << QString()
            << u"Nothing was typed: the user declined it."_qs;
        QTest::newRow("key press declined")
            << uR"({"action":"press_key","key":"command shift t"})"_qs << ApprovalDecision::declined
            << u"2|Command-Shift-T|"_qs << QString()
            << u"The key was not pressed: the user declined it."_qs;
        QTest::newRow("click declined")
            << uR"({"action":"click","target_name":"Send"})"_qs << ApprovalDecision::declined
            << u"3|Send|"_qs << QString() << u"Nothing was clicked: the user declined it."_qs;
        QTest::newRow("opening an application never asks")
            << uR"({"action":"open_app","app_name":"Mail"})"_qs << ApprovalDecision::declined
            << QString() << u"openApp Mail"_qs << u"Did openApp Mail."_qs;
        QTest::newRow("a missing argument never asks")
            << uR"({"action":"type"})"_qs << ApprovalDecision::declined << QString() << QString()
            << u"No text provided to type."_qs;
    }

    void proposedActionsWaitForApproval()
    {
        QFETCH(QString, json);
        QFETCH(ApprovalDecision, decision);
        QFETCH(QString, asked);
        QFETCH(QString, call);
        QFETCH(QString, summary);
        const auto recording = std::make_shared<RecordingToolActions>();
        const auto approver = std::make_shared<test::FakeActionApprover>();
        approver->decision = decision;
        const auto actions = std::make_shared<ApprovingToolActions>(recording, approver);

        const ComputerUseResult result =
            QCoro::waitFor(executeToolAction(actions, *ComputerUseToolArguments::parse(json)));
        QCOMPARE(result.summary, summary);
        // Nothing done is a failure the command line reports.
        QCOMPARE(result.failed, call.isEmpty());
        QCOMPARE(recording->calls, call.isEmpty() ? QStringList{} : QStringList{call});
        QStringList questions;
        for (const ProposedAction& action : std::as_const(approver->asked))
            questions.append(QString::number(static_cast<int>(action.kind)) + u'|' + action.target +
                             u'|' + action.text);
        QCOMPARE(questions, asked.isEmpty() ? QStringList{} : QStringList{asked});
    }
};

QTEST_GUILESS_MAIN(ComputerUseToolDispatchTest)
#include "tst_computerusetooldispatch.moc"
