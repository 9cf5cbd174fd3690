// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// The first search result: picture, title, snippet, recipe lists and the link.
SearchCard {
    id: hero

    hoverScale: 1.01

    ColumnLayout {
        width: hero.width
        spacing: 0

        Image {
            visible: !!hero.result.imageUrl && status !== Image.Error
            Layout.fillWidth: true
            Layout.preferredHeight: visible ? 200 : 0
            asynchronous: true
            fillMode: Image.PreserveAspectCrop
            clip: true
            source: hero.result.imageUrl ? Ui.imageSource(hero.result.imageUrl) : ""
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.margins: 18
            spacing: 10

            Text {
                objectName: "heroTitle"
                Layout.fillWidth: true
                text: hero.result.title || ""
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: Theme.title3
                font.weight: Font.Bold
                color: Theme.text
            }
            Text {
                Layout.fillWidth: true
                text: hero.result.snippet || ""
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: Theme.body
                lineHeight: 1.2
                color: Theme.secondaryText
            }

            Label {
                visible: ingredients.count > 0
                Layout.topMargin: 6
                text: qsTr("Ingredients")
                font.pixelSize: Theme.headline
                font.weight: Font.DemiBold
                color: Theme.text
            }
            Repeater {
                id: ingredients
                model: hero.result.recipeIngredients || []
                delegate: RowLayout {
                    required property string modelData
                    Layout.fillWidth: true
                    spacing: Theme.spacing
                    SymbolIcon {
                        Layout.alignment: Qt.AlignTop
                        Layout.topMargin: 5
                        Layout.preferredWidth: 7
                        Layout.preferredHeight: 7
                        name: "circle"
                        color: Theme.accent
                    }
                    Text {
                        Layout.fillWidth: true
                        text: modelData
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font.pixelSize: Theme.body
                        color: Theme.text
                    }
                }
            }

            Label {
                visible: instructions.count > 0
                Layout.topMargin: 6
                text: qsTr("Instructions")
                font.pixelSize: Theme.headline
                font.weight: Font.DemiBold
                color: Theme.text
            }
            Repeater {
                id: instructions
                model: hero.result.recipeInstructions || []
                delegate: RowLayout {
                    required property string modelData
                    required property int index
                    Layout.fillWidth: true
                    spacing: Theme.spacing
                    Label {
                        Layout.alignment: Qt.AlignTop
                        Layout.minimumWidth: 20
                        text: (index + 1) + "."
                        font.pixelSize: Theme.body
                        font.weight: Font.DemiBold
                        color: Theme.accent
                    }
                    Text {
                        Layout.fillWidth: true
                        text: modelData
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font.pixelSize: Theme.body
                        color: Theme.text
                    }
                }
            }

            RowLayout {
                Layout.topMargin: 4
                Layout.fillWidth: true
                spacing: 6
                SymbolIcon {
                    Layout.preferredWidth: 13
                    Layout.preferredHeight: 13
                    name: "globe"
                    color: Theme.accent
                }
                Text {
                    Layout.fillWidth: true
                    text: hero.result.url || ""
                    textFormat: Text.PlainText
                    elide: Text.ElideMiddle
                    font.pixelSize: Theme.caption + 1
                    color: Theme.accent
                }
                SymbolIcon {
                    Layout.preferredWidth: 11
                    Layout.preferredHeight: 11
                    name: "arrow.up.right"
                    color: Theme.accent
                }
            }
        }
    }
}
