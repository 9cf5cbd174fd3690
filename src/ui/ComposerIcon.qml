// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import Korvane.Ui

// A symbol at 14 points inside a 38-point circle; the composer's two buttons.
AbstractButton {
    id: control

    property string symbol
    property string help
    property color tint: Theme.accent
    property bool filled: false

    implicitWidth: 38
    implicitHeight: 38
    hoverEnabled: true
    focusPolicy: Qt.NoFocus

    Accessible.name: help
    ToolTip.visible: hovered && help.length > 0
    ToolTip.delay: 600
    ToolTip.text: help

    background: Rectangle {
        radius: width / 2
        color: control.filled ? (control.enabled ? control.tint : Theme.outline)
                              : (control.hovered ? Theme.accentSoft : "transparent")
        border.width: control.filled ? 0 : 1
        border.color: Theme.outline
        opacity: control.pressed ? 0.75 : 1
    }

    contentItem: Item {
        SymbolIcon {
            anchors.centerIn: parent
            width: 14
            height: 14
            name: control.symbol
            color: control.filled ? Theme.onTint : control.tint
        }
    }
}
