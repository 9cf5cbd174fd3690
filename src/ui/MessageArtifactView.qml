// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// The latest assistant message, when no artifact is selected.
ColumnLayout {
    id: view

    required property string content

    spacing: 10

    Label {
        Layout.topMargin: Theme.padding
        Layout.leftMargin: Theme.padding
        text: qsTr("Assistant Response")
        font.pixelSize: Theme.headline
        font.weight: Font.DemiBold
        color: Theme.secondaryText
    }

    TextEdit {
        objectName: "messageContent"
        Layout.fillWidth: true
        Layout.leftMargin: Theme.padding
        Layout.rightMargin: Theme.padding
        Layout.bottomMargin: Theme.padding
        text: view.content
        textFormat: TextEdit.PlainText
        readOnly: true
        selectByMouse: true
        wrapMode: TextEdit.Wrap
        font.pixelSize: Theme.body + 1
        color: Theme.text
        selectionColor: Theme.accentSoft
        selectedTextColor: Theme.text
        // Extra line spacing for reading.
        onTextChanged: Ui.setLineSpacing(textDocument, 135)
        Component.onCompleted: Ui.setLineSpacing(textDocument, 135)
    }
}
