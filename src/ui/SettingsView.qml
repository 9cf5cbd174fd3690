import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// The four sections of the settings window, bound to the stored user settings.
Page {
    id: settings

    required property QtObject userSettings
    // Starting at login; absent where the program does not offer it.
    property QtObject loginStartup: null

    padding: 24
    background: Rectangle { color: Theme.windowBackground }

    component Section: ColumnLayout {
        property alias title: heading.text
        default property alias rows: box.data
        Layout.fillWidth: true
        spacing: 8
        Label {
            id: heading
            font.pixelSize: Theme.headline
            font.weight: Font.DemiBold
            color: Theme.text
        }
        Rectangle {
            Layout.fillWidth: true
            implicitHeight: box.implicitHeight + 24
            radius: 10
            color: Theme.panel
            border.width: 1
            border.color: Theme.divider
            ColumnLayout {
                id: box
                anchors.fill: parent
                anchors.margins: 12
                spacing: 8
            }
        }
    }

    component Note: Label {
        Layout.fillWidth: true
        wrapMode: Text.Wrap
        font.pixelSize: Theme.caption + 1
        color: Theme.secondaryText
    }

    component InfoRow: RowLayout {
        property alias label: name.text
        property alias value: info.text
        Layout.fillWidth: true
        Label { id: name; font.pixelSize: Theme.body; color: Theme.text }
        Item { Layout.fillWidth: true }
        Label { id: info; font.pixelSize: Theme.body; color: Theme.secondaryText }
    }

    ScrollView {
        anchors.fill: parent
        contentWidth: availableWidth

        ColumnLayout {
            width: parent.width
            spacing: 20

            Section {
                title: "Conversation"
                Switch {
                    objectName: "startInQuietMode"
                    Layout.fillWidth: true
                    text: "Start in Quiet Mode"
                    checked: settings.userSettings.startInQuietMode
                    onToggled: settings.userSettings.startInQuietMode = checked
                }
                Switch {
                    objectName: "readResponsesAloud"
                    Layout.fillWidth: true
                    text: "Read Responses Aloud"
                    checked: settings.userSettings.readResponsesAloud
                    onToggled: settings.userSettings.readResponsesAloud = checked
                }
            }

            Section {
                title: "AI Providers"
                RowLayout {
                    Layout.fillWidth: true
                    Label { text: "Assistant Provider"; font.pixelSize: Theme.body; color: Theme.text }
                    Item { Layout.fillWidth: true }
                    ComboBox {
                        objectName: "preferredAssistantProvider"
                        Layout.preferredWidth: 240
                        textRole: "text"
                        valueRole: "value"
                        model: [
                            { text: "OpenAI", value: "openAI" },
                            { text: "Apple Foundation Models", value: "appleFoundationModels" }
                        ]
                        currentIndex: Math.max(0, indexOfValue(settings.userSettings.preferredAssistantProvider))
                        onActivated: settings.userSettings.preferredAssistantProvider = currentValue
                    }
                }
                Note {
                    text: "OpenAI, Apple Foundation Models, Image Playground, and search are represented as provider seams until we wire real APIs."
                }
            }

            Section {
                title: "Permissions"
                Switch {
                    objectName: "allowComputerControl"
                    Layout.fillWidth: true
                    text: "Allow Computer Control"
                    checked: settings.userSettings.allowComputerControl
                    onToggled: settings.userSettings.allowComputerControl = checked
                }
                Note {
                    text: "Computer control will require explicit macOS Accessibility and Screen Recording permissions before it can run."
                }
            }

            Section {
                title: "System Intelligence"
                InfoRow { label: "App Intents"; value: "Shortcuts and Siri routes started" }
                InfoRow { label: "Foundation Models"; value: "Provider seam ready" }
                InfoRow { label: "Visual Intelligence"; value: "Entity model prepared" }
            }

            Section {
                title: "Background"
                visible: settings.loginStartup !== null
                Switch {
                    objectName: "startAtLogin"
                    Layout.fillWidth: true
                    text: "Start at login and listen for \"Hey Korva\""
                    checked: settings.loginStartup ? settings.loginStartup.enabled : false
                    onToggled: {
                        settings.loginStartup.enabled = checked
                        // A refused change snaps the switch back to the setting.
                        checked = Qt.binding(() => settings.loginStartup.enabled)
                    }
                }
                Note {
                    text: "Korvane starts hidden when you log in and listens for the wake phrase. "
                          + "Closing the window keeps it listening; quit from its icon in the tray."
                }
                Note {
                    visible: text !== ""
                    text: settings.loginStartup ? settings.loginStartup.problem : ""
                    color: Theme.failure
                }
            }
        }
    }
}
