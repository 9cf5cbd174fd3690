// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// The prompt field with the voice and send buttons, inside a capsule outline.
Rectangle {
    id: composer

    required property QtObject appModel
    readonly property bool isPromptFocused: field.activeFocus

    implicitHeight: 54
    radius: height / 2
    color: Theme.panel
    border.width: field.activeFocus ? 2 : 1
    border.color: field.activeFocus ? Theme.accent : Theme.outline

    function focusPrompt() {
        field.forceActiveFocus()
    }

    // The model toggles the flag; either change asks for focus.
    Connections {
        target: composer.appModel
        function onShouldFocusPromptChanged() {
            composer.focusPrompt()
        }
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.padding
        anchors.rightMargin: 8
        spacing: 6

        TextField {
            id: field
            objectName: "promptField"
            Layout.fillWidth: true
            placeholderText: qsTr("Ask Korvane")
            text: composer.appModel.promptText
            font.pixelSize: Theme.headline
            color: Theme.text
            placeholderTextColor: Theme.tertiaryText
            selectByMouse: true
            background: null
            leftPadding: 0
            onTextEdited: composer.appModel.promptText = text
            onAccepted: composer.appModel.submitPrompt()
            Accessible.name: qsTr("Ask Korvane")
        }

        ComposerIcon {
            objectName: "voiceButton"
            symbol: "waveform"
            help: qsTr("Voice")
            onClicked: composer.appModel.setMode(Korvane.InputMode.voice)
        }

        ComposerIcon {
            objectName: "sendButton"
            symbol: "paperplane.fill"
            help: qsTr("Send")
            filled: true
            onClicked: composer.appModel.submitPrompt()
        }
    }
}
