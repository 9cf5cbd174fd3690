import QtQuick
import QtQuick.Controls
import QtCore
import QtQuick.Dialogs
import QtQuick.Layouts
import Korvane.Ui

// One artifact: its kind, status and file action, then its content rendered by kind.
ColumnLayout {
    id: detail

    // {id, kind, title, status, body, imagePath} with the enumerations' raw values.
    required property var artifact
    readonly property string kind: String(artifact.kind)
    readonly property bool running: String(artifact.status) === "running"
    readonly property var imagePath: artifact.imagePath
    readonly property var searchResults: kind === "search" ? Ui.searchResults(artifact.body)
                                                           : undefined

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
        spacing: 8

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
            color: detail.running ? "#fff4e0" : (String(detail.artifact.status) === "ready"
                                                 ? "#e6f6ec" : "#fdecec")
            Label {
                id: statusText
                objectName: "statusLabel"
                anchors.centerIn: parent
                text: Ui.statusLabel(String(detail.artifact.status))
                font.pixelSize: Theme.caption + 1
                font.weight: Font.Medium
                color: detail.running ? "#a15c00" : (String(detail.artifact.status) === "ready"
                                                     ? "#1d7a45" : "#b3261e")
            }
        }
        Item { Layout.fillWidth: true }
        Button {
            objectName: "openFileButton"
            visible: Ui.showsOpenFile(detail.imagePath)
            text: "Open File"
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
            if (detail.kind === "presentation")
                return detail.running ? runningDeck : deck
            if (detail.kind === "image")
                return image
            if (detail.kind === "search" && detail.searchResults !== undefined)
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
            text: "Generating presentation slides..."
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
                text: "Save Image"
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
        title: "Save Image"
        fileMode: FileDialog.SaveFile
        nameFilters: ["PNG image (*.png)"]
        defaultSuffix: "png"
        onAccepted: Ui.saveImage(detail.imagePath, selectedFile)
    }
}
