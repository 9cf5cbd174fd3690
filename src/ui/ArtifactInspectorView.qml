// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// The inspector column: the selected artifact, else the latest assistant message.
Rectangle {
    id: inspector

    required property QtObject appModel
    readonly property var artifact: appModel.selectedArtifact
    // An empty map when nothing is selected.
    readonly property bool hasArtifact: !!artifact && artifact.id !== undefined
    readonly property string title: Ui.headerTitle(hasArtifact ? artifact.title : undefined,
                                                   latest.present)

    color: Theme.panel

    LatestAssistantMessage {
        id: latest
        model: inspector.appModel.messages
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        ColumnLayout {
            Layout.fillWidth: true
            Layout.margins: Theme.padding
            Layout.bottomMargin: 14
            spacing: 4

            Label {
                text: qsTr("ARTIFACT")
                font.pixelSize: Theme.caption
                font.weight: Font.DemiBold
                font.letterSpacing: 1.2
                color: Theme.secondaryText
            }
            Label {
                objectName: "inspectorTitle"
                Layout.fillWidth: true
                text: inspector.title
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font.pixelSize: Theme.title2
                font.weight: Font.DemiBold
                color: Theme.text
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Theme.divider
        }

        ScrollView {
            id: scroller
            objectName: "inspectorScroll"
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true

            Loader {
                id: contentLoader
                width: scroller.availableWidth
                sourceComponent: inspector.hasArtifact ? detailComponent
                                                       : (latest.present ? messageComponent : null)
            }
        }
    }

    Component {
        id: detailComponent
        ArtifactDetailView {
            artifact: inspector.artifact
        }
    }

    Component {
        id: messageComponent
        MessageArtifactView {
            content: latest.content
        }
    }
}
