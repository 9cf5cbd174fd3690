// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// The first result as a large card, the others in a two-column grid.
ColumnLayout {
    id: view

    required property var results

    spacing: 16

    HeroSearchResultCardView {
        visible: view.results.length > 0
        Layout.fillWidth: true
        result: view.results.length > 0 ? view.results[0] : ({})
    }

    Label {
        visible: view.results.length > 1
        Layout.topMargin: 8
        text: qsTr("Related Results")
        font.pixelSize: Theme.title3
        font.weight: Font.DemiBold
        color: Theme.text
    }

    GridLayout {
        visible: view.results.length > 1
        Layout.fillWidth: true
        columns: 2
        columnSpacing: 16
        rowSpacing: 16

        Repeater {
            model: view.results.slice(1)
            delegate: CompactSearchResultCardView {
                required property var modelData
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.alignment: Qt.AlignTop
                result: modelData
            }
        }
    }
}
