import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

ApplicationWindow {
    id: window

    required property QtObject appModel
    property QtObject userSettings: null
    property QtObject loginStartup: null
    property alias content: contentView

    title: "Korvane"
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
            title: "&Korvane"
            Action {
                text: "Settings…"
                shortcut: "Ctrl+,"
                enabled: window.userSettings !== null
                onTriggered: window.showSettings()
            }
            MenuSeparator {}
            Action {
                text: "Quit Korvane"
                shortcut: StandardKey.Quit
                onTriggered: Qt.quit()
            }
        }
        Menu {
            title: "&File"
            Action {
                objectName: "newSessionAction"
                text: "New Session"
                shortcut: "Ctrl+N"
                onTriggered: window.appModel.startNewSession()
            }
        }
        Menu {
            title: "&Assistant"
            Action {
                objectName: "focusPromptAction"
                text: "Focus Prompt"
                shortcut: "Ctrl+L"
                onTriggered: window.toggleFocusPrompt()
            }
            MenuSeparator {}
            Action {
                objectName: "enableVoiceAction"
                text: "Enable Voice"
                shortcut: "Ctrl+Shift+V"
                onTriggered: window.appModel.setMode("voice")
            }
            Action {
                objectName: "enableQuietAction"
                text: "Enable Quiet"
                shortcut: "Ctrl+Shift+Q"
                onTriggered: window.appModel.setMode("quiet")
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
                text: "Korvane"
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
        title: "Korvane Settings"
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
                loginStartup: window.loginStartup
            }
        }
    }
}
