// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// A markdown body, one element per line; inline styles only in list and paragraph lines.
ColumnLayout {
    id: view

    required property string text

    spacing: 6

    Repeater {
        model: Ui.markdownLines(view.text)

        delegate: Loader {
            id: line
            required property var modelData
            Layout.fillWidth: true
            sourceComponent: {
                switch (modelData.kind) {
                case Korvane.MarkdownLineKind.h1:
                case Korvane.MarkdownLineKind.h2:
                case Korvane.MarkdownLineKind.h3:
                    return heading
                case Korvane.MarkdownLineKind.bullet:
                case Korvane.MarkdownLineKind.numbered:
                    return listItem
                case Korvane.MarkdownLineKind.spacer:
                    return spacer
                }
                return paragraph
            }

            Component {
                id: heading
                SelectableText {
                    text: line.modelData.text
                    textFormat: TextEdit.PlainText
                    font.weight: Font.Bold
                    font.pixelSize: line.modelData.kind === Korvane.MarkdownLineKind.h1 ? Theme.title1
                                  : line.modelData.kind === Korvane.MarkdownLineKind.h2 ? Theme.title2
                                  : Theme.title3
                    topPadding: 6
                }
            }

            Component {
                id: listItem
                RowLayout {
                    spacing: Theme.spacing
                    Label {
                        Layout.alignment: Qt.AlignTop
                        text: line.modelData.kind === Korvane.MarkdownLineKind.bullet ? "•" : "1."
                        font.pixelSize: Theme.body
                        color: Theme.secondaryText
                    }
                    SelectableText {
                        Layout.fillWidth: true
                        text: line.modelData.text
                        textFormat: TextEdit.MarkdownText
                    }
                }
            }

            Component {
                id: paragraph
                SelectableText {
                    text: line.modelData.text
                    textFormat: TextEdit.MarkdownText
                }
            }

            Component {
                id: spacer
                Item { implicitHeight: 6 }
            }
        }
    }
}
