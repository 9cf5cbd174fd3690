// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import Korvane.Ui

// A slide's picture: pending, a local file or an address.
Item {
    id: background

    property var reference
    readonly property string text: reference === undefined || reference === null ? ""
                                                                                : String(reference)
    readonly property bool pending: text.startsWith("generating|")

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            GradientStop { position: 0.0; color: Theme.slideTop }
            GradientStop { position: 1.0; color: Theme.slideBottom }
        }
    }

    Image {
        anchors.fill: parent
        visible: !background.pending && background.text.length > 0
        asynchronous: true
        fillMode: Image.PreserveAspectCrop
        source: visible ? Ui.imageSource(background.text) : ""
    }

    ProgressPlaceholder {
        objectName: "backgroundPending"
        anchors.fill: parent
        visible: background.pending
        dark: true
        radius: 0
        text: qsTr("Generating background...")
    }
}
