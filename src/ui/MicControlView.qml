// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import Korvane.Ui

// The large microphone button at the centre of the workspace.
Item {
    id: mic

    required property int voiceState
    property real availableWidth: width
    readonly property real diameter: Ui.micDiameter(availableWidth)
    readonly property color tint: Ui.micTint(voiceState)
    readonly property bool live: voiceState === Korvane.RealtimeVoiceState.recording
                                 || voiceState === Korvane.RealtimeVoiceState.speaking
    signal pressed

    implicitWidth: diameter
    implicitHeight: diameter

    // A soft ring that breathes while the session listens or speaks.
    Rectangle {
        id: halo
        anchors.centerIn: parent
        width: mic.diameter
        height: width
        radius: width / 2
        color: "transparent"
        border.width: 10
        border.color: mic.tint
        opacity: 0
        SequentialAnimation on scale {
            running: mic.live || mic.voiceState === Korvane.RealtimeVoiceState.connecting
            loops: Animation.Infinite
            NumberAnimation { from: 1.0; to: 1.14; duration: 900; easing.type: Easing.OutQuad }
            NumberAnimation { from: 1.14; to: 1.0; duration: 900; easing.type: Easing.InQuad }
            onRunningChanged: if (!running) halo.scale = 1
        }
        states: State {
            when: mic.live || mic.voiceState === Korvane.RealtimeVoiceState.connecting
            PropertyChanges { target: halo; opacity: 0.22 }
        }
    }

    AbstractButton {
        id: button
        objectName: "micButton"
        anchors.centerIn: parent
        width: mic.diameter
        height: width
        hoverEnabled: true
        Accessible.name: Ui.micHelpText(mic.voiceState)
        ToolTip.visible: hovered
        ToolTip.delay: 600
        ToolTip.text: Ui.micHelpText(mic.voiceState)
        onClicked: mic.pressed()

        background: Rectangle {
            radius: width / 2
            gradient: Gradient {
                GradientStop { position: 0.0; color: Qt.lighter(mic.tint, 1.18) }
                GradientStop { position: 1.0; color: Qt.darker(mic.tint, 1.12) }
            }
            border.width: 6
            border.color: Theme.micRing
            scale: button.pressed ? 0.97 : (button.hovered ? 1.015 : 1.0)
            Behavior on scale { NumberAnimation { duration: 120 } }
            Behavior on color { ColorAnimation { duration: 200 } }

            Rectangle {
                anchors.fill: parent
                anchors.margins: -1
                radius: width / 2
                color: "transparent"
                border.width: 1
                border.color: Qt.darker(mic.tint, 1.3)
                opacity: 0.35
            }
        }

        contentItem: Item {
            SymbolIcon {
                anchors.centerIn: parent
                width: mic.diameter * 0.34
                height: width
                name: "mic.fill"
                color: Theme.onTint
            }
        }
    }
}
