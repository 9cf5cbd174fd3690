// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// A related result: thumbnail, title and snippet.
SearchCard {
    id: compact

    hoverScale: 1.015

    ColumnLayout {
        width: compact.width
        spacing: 0

        Rectangle {
            visible: !!compact.result.imageUrl
            Layout.fillWidth: true
            Layout.preferredHeight: visible ? 90 : 0
            color: Theme.panelAlt
            Image {
                anchors.fill: parent
                asynchronous: true
                fillMode: Image.PreserveAspectCrop
                clip: true
                source: compact.result.imageUrl ? Ui.imageSource(compact.result.imageUrl) : ""
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.margins: 12
            spacing: 6
            Text {
                Layout.fillWidth: true
                text: compact.result.title || ""
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
                font.pixelSize: Theme.body
                font.weight: Font.DemiBold
                color: Theme.text
            }
            Text {
                Layout.fillWidth: true
                text: compact.result.snippet || ""
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
                font.pixelSize: Theme.caption + 1
                color: Theme.secondaryText
            }
        }
    }
}
