// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// The sections of the settings window, bound to the stored user settings.
Page {
    id: settings

    required property QtObject userSettings
    // Null where the program runs without a hold-to-talk key (tests, tools).
    property QtObject holdToTalk: null
    // Starting at login; absent where the program does not offer it.
    property QtObject loginStartup: null

    padding: 24
    background: Rectangle { color: Theme.windowBackground }

    component Section: ColumnLayout {
        property alias title: heading.text
        default property alias rows: box.data
        Layout.fillWidth: true
        spacing: Theme.spacing
        Label {
            id: heading
            font.pixelSize: Theme.headline
            font.weight: Font.DemiBold
            color: Theme.text
        }
        Rectangle {
            Layout.fillWidth: true
            implicitHeight: box.implicitHeight + 24
            radius: Theme.mediumRadius
            color: Theme.panel
            border.width: 1
            border.color: Theme.divider
            ColumnLayout {
                id: box
                anchors.fill: parent
                anchors.margins: 12
                spacing: Theme.spacing
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
                title: qsTr("Conversation")
                Switch {
                    objectName: "startInQuietMode"
                    Layout.fillWidth: true
                    text: qsTr("Start in Quiet Mode")
                    checked: settings.userSettings.startInQuietMode
                    onToggled: settings.userSettings.startInQuietMode = checked
                }
                Switch {
                    objectName: "readResponsesAloud"
                    Layout.fillWidth: true
                    text: qsTr("Read Responses Aloud")
                    checked: settings.userSettings.readResponsesAloud
                    onToggled: settings.userSettings.readResponsesAloud = checked
                }
            }

            Section {
                title: qsTr("Voice")
                Switch {
                    objectName: "interruptAnswersBySpeaking"
                    Layout.fillWidth: true
                    text: qsTr("Interrupt Answers by Speaking")
                    checked: settings.userSettings.interruptAnswersBySpeaking
                    onToggled: settings.userSettings.interruptAnswersBySpeaking = checked
                }
                Note {
                    text: qsTr("Needs the sound server's echo cancellation (the PulseAudio or PipeWire echo-cancel module). Without it Korvane stops listening while it answers, so it never hears itself.")
                }
                RowLayout {
                    Layout.fillWidth: true
                    visible: settings.holdToTalk !== null
                    Label { text: qsTr("Hold to Talk"); font.pixelSize: Theme.body; color: Theme.text }
                    Item { Layout.fillWidth: true }
                    Button {
                        id: shortcutButton
                        objectName: "holdToTalkShortcut"
                        property bool recording: false
                        Layout.preferredWidth: 240
                        text: recording ? qsTr("Press the new keys…") : settings.userSettings.holdToTalkShortcut
                        Accessible.description: qsTr("Click, then press the keys to hold while talking. Escape keeps the current ones.")
                        onClicked: { recording = true; forceActiveFocus() }
                        onActiveFocusChanged: if (!activeFocus) recording = false
                        Keys.onPressed: (event) => {
                            if (!recording)
                                return
                            event.accepted = true
                            if (event.key === Qt.Key_Escape && event.modifiers === Qt.NoModifier) {
                                recording = false
                                return
                            }
                            const keys = Ui.shortcutText(event.key, event.modifiers)
                            if (keys === "")
                                return
                            recording = false
                            settings.holdToTalk.setShortcut(keys)
                        }
                    }
                }
                Note {
                    objectName: "holdToTalkStatus"
                    visible: settings.holdToTalk !== null
                    text: settings.holdToTalk ? settings.holdToTalk.status : ""
                }
            }

            Section {
                title: qsTr("AI Providers")
                RowLayout {
                    Layout.fillWidth: true
                    Label { text: qsTr("Assistant Provider"); font.pixelSize: Theme.body; color: Theme.text }
                    Item { Layout.fillWidth: true }
                    ComboBox {
                        objectName: "preferredAssistantProvider"
                        Layout.preferredWidth: 240
                        textRole: "text"
                        valueRole: "value"
                        model: [
                            { text: qsTr("OpenAI"), value: "openAI" },
                            { text: qsTr("Apple Foundation Models"), value: "appleFoundationModels" }
                        ]
                        currentIndex: Math.max(0, indexOfValue(settings.userSettings.preferredAssistantProvider))
                        onActivated: settings.userSettings.preferredAssistantProvider = currentValue
                    }
                }
                Note {
                    text: qsTr("OpenAI, Apple Foundation Models, Image Playground, and search are represented as provider seams until we wire real APIs.")
                }
            }

            Section {
                title: qsTr("Permissions")
                Switch {
                    objectName: "allowComputerControl"
                    Layout.fillWidth: true
                    text: qsTr("Allow Computer Control")
                    checked: settings.userSettings.allowComputerControl
                    onToggled: settings.userSettings.allowComputerControl = checked
                }
                Note {
                    text: qsTr("When this is off, Korvane shows every script, typing, key press and click the assistant proposes and waits for your answer. Commands you type or speak yourself always run.")
                }
                Switch {
                    objectName: "letScriptsUseNetwork"
                    Layout.fillWidth: true
                    text: qsTr("Let scripts use the network")
                    checked: settings.userSettings.letScriptsUseNetwork
                    onToggled: settings.userSettings.letScriptsUseNetwork = checked
                }
                Note {
                    text: qsTr("Scripts always run in a sandbox. With this on, they may also reach the network and receive your API key.")
                }
            }

            Section {
                title: qsTr("System Intelligence")
                InfoRow { label: qsTr("App Intents"); value: qsTr("Shortcuts and Siri routes started") }
                InfoRow { label: qsTr("Foundation Models"); value: qsTr("Provider seam ready") }
                InfoRow { label: qsTr("Visual Intelligence"); value: qsTr("Entity model prepared") }
            }

            Section {
                title: qsTr("Background")
                visible: settings.loginStartup !== null
                Switch {
                    objectName: "startAtLogin"
                    Layout.fillWidth: true
                    text: qsTr("Start at login and listen for \"Hey Korva\"")
                    checked: settings.loginStartup ? settings.loginStartup.enabled : false
                    onToggled: {
                        settings.loginStartup.enabled = checked
                        // A refused change snaps the switch back to the setting.
                        checked = Qt.binding(() => settings.loginStartup.enabled)
                    }
                }
                Note {
                    text: qsTr("Korvane starts hidden when you log in and listens for the wake phrase. "
                               + "Closing the window keeps it listening; quit from its icon in the tray.")
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
