// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// Status, the microphone and the composer, in a centred column.
Rectangle {
    id: workspace

    required property QtObject appModel
    required property int voiceState
    property alias composer: composerView

    gradient: Gradient {
        GradientStop { position: 0.0; color: Theme.workspaceTop }
        GradientStop { position: 1.0; color: Theme.workspaceBottom }
    }

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 40
        anchors.bottomMargin: 32
        spacing: 0

        SetupNotices {
            Layout.alignment: Qt.AlignHCenter
            Layout.fillWidth: true
            Layout.maximumWidth: 720
        }

        Item { Layout.fillHeight: true; Layout.preferredHeight: 1 }

        Label {
            objectName: "statusTitle"
            Layout.alignment: Qt.AlignHCenter
            text: Ui.statusTitle(workspace.voiceState)
            font.pixelSize: Theme.largeTitle
            font.weight: Font.DemiBold
            color: Theme.text
        }

        Label {
            objectName: "statusSubtitle"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 6
            text: Ui.statusSubtitle(workspace.voiceState, workspace.appModel.isWakeWordListening)
            font.pixelSize: Theme.headline
            color: Theme.secondaryText
        }

        MicControlView {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 40
            Layout.bottomMargin: 40
            availableWidth: column.width
            voiceState: workspace.voiceState
            onPressed: workspace.appModel.startComputerUseVoiceMode()
        }

        Item { Layout.fillHeight: true; Layout.preferredHeight: 1 }

        PromptComposerView {
            id: composerView
            appModel: workspace.appModel
            Layout.alignment: Qt.AlignHCenter
            Layout.fillWidth: true
            Layout.maximumWidth: 720
        }
    }
}
