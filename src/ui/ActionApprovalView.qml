// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// The action the assistant proposed, shown whole (the script, or the target and the text),
// until the person answers. Everything in it came from the model: plain text only.
Rectangle {
    id: approval

    // The window's ApprovalRequests; null when nobody can be asked.
    required property QtObject requests
    readonly property var current: requests ? requests.current : ({})
    // -1 while nothing waits.
    readonly property int kind: current.kind ?? -1
    readonly property string target: current.target || ""
    readonly property bool isScript: kind === Korvane.ProposedActionKind.runScript

    function quoted(text) { return "\u201c" + text + "\u201d" }

    visible: requests !== null && requests.hasPending
    implicitHeight: column.implicitHeight + 2 * Theme.padding
    radius: Theme.radius
    color: Theme.panel
    border.width: 1
    border.color: Theme.outline

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: Theme.padding
        spacing: Theme.spacing

        Label {
            objectName: "approvalTitle"
            Layout.fillWidth: true
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: Theme.headline
            font.weight: Font.DemiBold
            color: Theme.text
            text: {
                switch (approval.kind) {
                case Korvane.ProposedActionKind.runScript:
                    return qsTr("The assistant wants to run this Python script")
                case Korvane.ProposedActionKind.typeText:
                    return approval.target === ""
                        ? qsTr("The assistant wants to type this text")
                        : qsTr("The assistant wants to type this text into %1")
                              .arg(approval.quoted(approval.target))
                case Korvane.ProposedActionKind.pressKey:
                    return qsTr("The assistant wants to press %1").arg(approval.target)
                case Korvane.ProposedActionKind.click:
                    return qsTr("The assistant wants to click %1").arg(approval.quoted(approval.target))
                }
                return ""
            }
        }

        Label {
            Layout.fillWidth: true
            visible: approval.isScript
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: Theme.caption + 1
            color: Theme.secondaryText
            text: qsTr("It runs in a sandbox: it sees your files but not hidden ones, changes only the "
                       + "workspace and Downloads, and has no network unless you allow it.")
        }

        ScrollView {
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(detail.implicitHeight + 16, 260)
            visible: approval.isScript || approval.kind === Korvane.ProposedActionKind.typeText
            clip: true
            background: Rectangle { color: Theme.panelAlt; radius: Theme.smallRadius }

            SelectableText {
                id: detail
                objectName: "approvalDetail"
                padding: Theme.spacing
                font.family: "monospace"
                text: approval.current.text || ""
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacing

            Item { Layout.fillWidth: true }

            Button {
                objectName: "declineButton"
                text: qsTr("Decline")
                onClicked: approval.requests.answer("decline")
            }
            Button {
                objectName: "allowWithNetworkButton"
                visible: approval.isScript
                text: qsTr("Run with network access")
                onClicked: approval.requests.answer("allowWithNetwork")
            }
            Button {
                objectName: "allowButton"
                text: approval.isScript ? qsTr("Run") : qsTr("Allow")
                highlighted: true
                onClicked: approval.requests.answer("allow")
            }
        }
    }
}
