// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import Korvane.Ui

// Read-only text the user can select and copy.
TextEdit {
    readOnly: true
    selectByMouse: true
    wrapMode: TextEdit.Wrap
    font.pixelSize: Theme.body
    color: Theme.text
    selectionColor: Theme.accentSoft
    selectedTextColor: Theme.text
    textFormat: TextEdit.PlainText
}
