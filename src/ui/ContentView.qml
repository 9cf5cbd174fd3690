// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// The workspace and, while shown, the inspector beside it.
Item {
    id: content

    required property QtObject appModel
    property bool isArtifactVisible: true
    property alias composer: workspaceView.composer

    readonly property int voiceState: appModel.realtimeVoiceState

    RowLayout {
        anchors.fill: parent
        spacing: 0

        ConversationWorkspaceView {
            id: workspaceView
            Layout.fillWidth: true
            Layout.fillHeight: true
            appModel: content.appModel
            voiceState: content.voiceState

            // Over the workspace, so the inspector stays in view while the person decides.
            ActionApprovalView {
                objectName: "actionApproval"
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.margins: 24
                anchors.bottomMargin: 100
                z: 1
                requests: content.appModel.approvals
            }
        }

        Rectangle {
            visible: content.isArtifactVisible
            Layout.fillHeight: true
            Layout.preferredWidth: 1
            color: Theme.divider
        }

        ArtifactInspectorView {
            objectName: "inspector"
            visible: content.isArtifactVisible
            Layout.fillHeight: true
            Layout.preferredWidth: Math.max(420, content.width * 0.42)
            appModel: content.appModel
        }
    }
}
