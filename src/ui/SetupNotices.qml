// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// What a new user needs to hear: the missing API key, and scripts' environment being prepared.
ColumnLayout {
    id: notices

    spacing: 10
    visible: !Setup.hasApiKey || Setup.isPreparingScripts

    Rectangle {
        objectName: "apiKeyBanner"
        visible: !Setup.hasApiKey
        Layout.fillWidth: true
        implicitHeight: bannerContent.implicitHeight + 28
        radius: Theme.radius
        color: Theme.panel
        border.width: 1
        border.color: Theme.divider

        ColumnLayout {
            id: bannerContent
            anchors.fill: parent
            anchors.margins: 14
            spacing: Theme.spacing

            RowLayout {
                Layout.fillWidth: true
                spacing: 12
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 4
                    Label {
                        Layout.fillWidth: true
                        text: qsTr("Korvane needs an API key to answer")
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.headline
                        font.weight: Font.DemiBold
                        color: Theme.text
                    }
                    Label {
                        objectName: "apiKeyAdvice"
                        Layout.fillWidth: true
                        wrapMode: Text.WordWrap
                        textFormat: Text.PlainText
                        text: qsTr("Set OPENAI_API_KEY in the environment or in %1").arg(Setup.userEnvFile)
                              + ". For a local OpenAI-compatible server, set OPENAI_BASE_URL there too,"
                              + " for example http://127.0.0.1:8080. Desktop commands work without a key."
                        font.pixelSize: Theme.body
                        color: Theme.secondaryText
                    }
                }
                Button {
                    objectName: "openEnvFileButton"
                    text: qsTr("Open .env.local")
                    onClicked: Setup.openUserEnvFile()
                }
            }
            Label {
                visible: Setup.problem !== ""
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                textFormat: Text.PlainText
                text: Setup.problem
                font.pixelSize: Theme.body
                color: Theme.failure
            }
        }
    }

    RowLayout {
        objectName: "scriptEnvironmentNotice"
        visible: Setup.isPreparingScripts
        Layout.alignment: Qt.AlignHCenter
        spacing: Theme.spacing
        BusyIndicator {
            running: parent.visible
            Layout.preferredWidth: 22
            Layout.preferredHeight: 22
        }
        Label {
            text: qsTr("Preparing the Python environment for scripts…")
            textFormat: Text.PlainText
            font.pixelSize: Theme.body
            color: Theme.secondaryText
        }
    }
}
