// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import Korvane.Ui

// The frame both result cards share: lifts on hover, opens the result when clicked.
Rectangle {
    id: card

    property var result: ({})
    property real hoverScale: 1.01
    readonly property bool hovered: pointer.hovered
    default property alias content: inner.data

    implicitHeight: inner.implicitHeight
    radius: Theme.radius
    color: Theme.panel
    border.width: 1
    border.color: hovered ? Theme.outline : Theme.divider
    scale: hovered ? hoverScale : 1.0
    Behavior on scale { NumberAnimation { duration: 140; easing.type: Easing.OutCubic } }

    Accessible.role: Accessible.Link
    Accessible.name: result.title || ""

    HoverHandler {
        id: pointer
        cursorShape: Qt.PointingHandCursor
    }
    TapHandler {
        onTapped: Ui.openAddress(card.result.url || "")
    }

    Item {
        id: inner
        anchors.fill: parent
        implicitHeight: childrenRect.height
        clip: true
    }
}
