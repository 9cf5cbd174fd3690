// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtCore
import QtQuick.Dialogs
import QtQuick.Layouts
import Korvane.Ui

// One artifact: its kind, status and file action, then its content rendered by kind.
ColumnLayout {
    id: detail

    // {id, kind, title, status, body, imagePath}
    required property var artifact
    // -1 for the moment an emptied selection reaches a view about to go.
    readonly property int kind: artifact.kind ?? -1
    readonly property int status: artifact.status ?? -1
    readonly property bool running: status === Korvane.ArtifactStatus.running
    readonly property var imagePath: artifact.imagePath
    readonly property var searchResults: kind === Korvane.ArtifactKind.search
                                         ? Ui.searchResults(artifact.body) : undefined

    spacing: 16

    // Proposed when the dialog opens: Qt's own dialog refuses names of files that do not exist.
    function proposeSave() {
        const folder = StandardPaths.writableLocation(StandardPaths.PicturesLocation)
        saveDialog.currentFolder = folder
        saveDialog.selectedFile = folder + "/GeneratedImage.png"
        saveDialog.open()
    }

    RowLayout {
        Layout.fillWidth: true
        Layout.topMargin: Theme.padding
        Layout.leftMargin: Theme.padding
        Layout.rightMargin: Theme.padding
        spacing: Theme.spacing

        SymbolIcon {
            Layout.preferredWidth: 16
            Layout.preferredHeight: 16
            name: Ui.kindSymbol(detail.kind)
            color: Theme.accent
        }
        Label {
            objectName: "kindLabel"
            text: Ui.kindLabel(detail.kind)
            font.pixelSize: Theme.body
            font.weight: Font.DemiBold
            color: Theme.text
        }
        Rectangle {
            Layout.leftMargin: 4
            implicitWidth: statusText.implicitWidth + 16
            implicitHeight: statusText.implicitHeight + 6
            radius: height / 2
            color: detail.running ? Theme.runningChip
                                  : (detail.status === Korvane.ArtifactStatus.ready ? Theme.readyChip
                                                                                   : Theme.reviewChip)
            Label {
                id: statusText
                objectName: "statusLabel"
                anchors.centerIn: parent
                text: Ui.statusLabel(detail.status)
                font.pixelSize: Theme.caption + 1
                font.weight: Font.Medium
                color: detail.running ? Theme.runningChipText
                                      : (detail.status === Korvane.ArtifactStatus.ready
                                         ? Theme.readyChipText : Theme.reviewChipText)
            }
        }
        Item { Layout.fillWidth: true }
        Button {
            objectName: "openFileButton"
            visible: Ui.showsOpenFile(detail.imagePath)
            text: qsTr("Open File")
            onClicked: Ui.openFile(detail.imagePath)
        }
    }

    Loader {
        id: body
        Layout.fillWidth: true
        Layout.leftMargin: Theme.padding
        Layout.rightMargin: Theme.padding
        Layout.bottomMargin: Theme.padding
        sourceComponent: {
            if (detail.kind === Korvane.ArtifactKind.presentation)
                return detail.running ? runningDeck : deck
            if (detail.kind === Korvane.ArtifactKind.image)
                return image
            if (detail.kind === Korvane.ArtifactKind.search && detail.searchResults !== undefined)
                return results
            return markdown
        }
    }

    Component {
        id: deck
        PresentationArtifactView {
            body: detail.artifact.body
        }
    }

    Component {
        id: runningDeck
        ProgressPlaceholder {
            implicitHeight: 240
            text: qsTr("Generating presentation slides...")
        }
    }

    Component {
        id: image
        ColumnLayout {
            spacing: 12
            Loader {
                Layout.fillWidth: true
                sourceComponent: Ui.isPendingImage(detail.imagePath) ? pendingImage : loadedImage
            }
            Button {
                objectName: "saveImageButton"
                visible: !Ui.isPendingImage(detail.imagePath)
                text: qsTr("Save Image")
                icon.source: "icons/arrow.down.doc.svg"
                icon.width: 14
                icon.height: 14
                onClicked: detail.proposeSave()
            }
        }
    }

    Component {
        id: pendingImage
        ProgressPlaceholder {
            implicitHeight: 300
        }
    }

    Component {
        id: loadedImage
        Item {
            implicitHeight: Math.max(120, picture.paintedHeight)
            Image {
                id: picture
                objectName: "artifactImage"
                anchors.left: parent.left
                anchors.right: parent.right
                asynchronous: true
                fillMode: Image.PreserveAspectFit
                source: Ui.imageSource(detail.imagePath)
                sourceSize.width: 1600
            }
        }
    }

    Component {
        id: results
        SearchResultsListView {
            results: detail.searchResults
        }
    }

    Component {
        id: markdown
        MarkdownContentView {
            text: detail.artifact.body
        }
    }

    FileDialog {
        id: saveDialog
        title: qsTr("Save Image")
        fileMode: FileDialog.SaveFile
        nameFilters: [qsTr("PNG image (*.png)")]
        defaultSuffix: "png"
        onAccepted: Ui.saveImage(detail.imagePath, selectedFile)
    }
}
