// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

ApplicationWindow {
    id: window

    required property QtObject appModel
    property QtObject userSettings: null
    property QtObject holdToTalk: null
    property QtObject loginStartup: null
    property alias content: contentView

    title: qsTr("Korvane")
    width: 1280
    height: 800
    minimumWidth: 1120
    minimumHeight: 720
    color: Theme.windowBackground

    function showSettings() {
        settingsWindow.show()
        settingsWindow.raise()
        settingsWindow.requestActivate()
    }

    function toggleFocusPrompt() {
        appModel.toggleShouldFocusPrompt()
    }

    menuBar: MenuBar {
        Menu {
            title: qsTr("&Korvane")
            Action {
                text: qsTr("Settings…")
                shortcut: "Ctrl+,"
                enabled: window.userSettings !== null
                onTriggered: window.showSettings()
            }
            MenuSeparator {}
            Action {
                text: qsTr("Quit Korvane")
                shortcut: StandardKey.Quit
                onTriggered: Qt.quit()
            }
        }
        Menu {
            title: qsTr("&File")
            Action {
                objectName: "newSessionAction"
                text: qsTr("New Session")
                shortcut: "Ctrl+N"
                onTriggered: window.appModel.startNewSession()
            }
        }
        Menu {
            title: qsTr("&Assistant")
            Action {
                objectName: "focusPromptAction"
                text: qsTr("Focus Prompt")
                shortcut: "Ctrl+L"
                onTriggered: window.toggleFocusPrompt()
            }
            MenuSeparator {}
            Action {
                objectName: "enableVoiceAction"
                text: qsTr("Enable Voice")
                shortcut: "Ctrl+Shift+V"
                onTriggered: window.appModel.setMode(Korvane.InputMode.voice)
            }
            Action {
                objectName: "enableQuietAction"
                text: qsTr("Enable Quiet")
                shortcut: "Ctrl+Shift+Q"
                onTriggered: window.appModel.setMode(Korvane.InputMode.quiet)
            }
        }
    }

    header: ToolBar {
        background: Rectangle {
            color: Theme.panel
            Rectangle {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                height: 1
                color: Theme.divider
            }
        }
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 16
            anchors.rightMargin: 8
            Label {
                text: qsTr("Korvane")
                font.pixelSize: Theme.headline
                font.weight: Font.DemiBold
                color: Theme.text
            }
            Item { Layout.fillWidth: true }
            ToolButton {
                objectName: "inspectorToggle"
                icon.source: "icons/" + Ui.inspectorToggleIcon(contentView.isArtifactVisible) + ".svg"
                icon.width: 16
                icon.height: 16
                icon.color: Theme.text
                Accessible.name: Ui.inspectorToggleHelp(contentView.isArtifactVisible)
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: Ui.inspectorToggleHelp(contentView.isArtifactVisible)
                onClicked: contentView.isArtifactVisible = !contentView.isArtifactVisible
            }
        }
    }

    ContentView {
        id: contentView
        anchors.fill: parent
        appModel: window.appModel
    }

    Window {
        id: settingsWindow
        title: qsTr("Korvane Settings")
        width: 560
        height: 640
        minimumWidth: 480
        minimumHeight: 520
        transientParent: window
        color: Theme.windowBackground

        Loader {
            anchors.fill: parent
            active: window.userSettings !== null
            sourceComponent: SettingsView {
                userSettings: window.userSettings
                holdToTalk: window.holdToTalk
                loginStartup: window.loginStartup
            }
        }
    }
}
