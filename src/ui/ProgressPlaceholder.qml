// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// A progress indicator standing where content will appear.
Rectangle {
    id: placeholder

    property string text
    property bool dark: false

    implicitHeight: 220
    radius: Theme.radius
    color: dark ? Theme.slideStage : Theme.panelAlt
    border.width: dark ? 0 : 1
    border.color: Theme.divider

    ColumnLayout {
        anchors.centerIn: parent
        spacing: 12
        BusyIndicator {
            Layout.alignment: Qt.AlignHCenter
            running: placeholder.visible
            palette.dark: placeholder.dark ? Theme.onTint : Theme.accent
            palette.text: placeholder.dark ? Theme.onTint : Theme.accent
        }
        Label {
            Layout.alignment: Qt.AlignHCenter
            visible: placeholder.text.length > 0
            text: placeholder.text
            font.pixelSize: Theme.body
            color: placeholder.dark ? Theme.onTint : Theme.secondaryText
        }
    }
}
