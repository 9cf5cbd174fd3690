// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvane.Ui

// A slide deck, one card at a time, with previous/next buttons.
ColumnLayout {
    id: view

    required property string body
    property int currentSlideIndex: 0
    readonly property var deck: Ui.slides(body)
    readonly property int count: deck.length
    // The body can change while shown (resolved images); never point past the end.
    readonly property int shownIndex: Math.max(0, Math.min(currentSlideIndex, count - 1))
    readonly property string slide: count > 0 ? deck[shownIndex] : ""
    readonly property var lines: Ui.contentLines(slide)

    function previous() {
        if (currentSlideIndex >= 1)
            currentSlideIndex = currentSlideIndex - 1
    }
    function next() {
        if (currentSlideIndex < count - 1)
            currentSlideIndex = currentSlideIndex + 1
    }

    spacing: 14

    Label {
        objectName: "noSlides"
        visible: view.count === 0
        text: qsTr("No slides found in presentation.")
        color: Theme.secondaryText
        font.pixelSize: Theme.body
    }

    Rectangle {
        id: card
        objectName: "slideCard"
        visible: view.count > 0
        Layout.fillWidth: true
        Layout.preferredHeight: 380
        radius: Theme.radius
        color: Theme.slideStage
        clip: true

        SlideBackgroundView {
            id: background
            anchors.fill: parent
            reference: view.count > 0 ? Ui.extractImage(view.slide) : undefined
        }
        Rectangle {
            anchors.fill: parent
            // Keep the pending notice readable: the fill behind it is dark already.
            opacity: background.pending ? 0.25 : 1
            gradient: Gradient {
                GradientStop { position: 0.0; color: Theme.slideScrimTop }
                GradientStop { position: 1.0; color: Theme.slideScrimBottom }
            }
        }

        ColumnLayout {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 28
            spacing: 10

            Text {
                objectName: "slideTitle"
                Layout.fillWidth: true
                text: view.lines.length > 0 ? view.lines[0] : ""
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
                color: Theme.onTint
                font.pixelSize: Theme.largeTitle
                font.weight: Font.Bold
            }
            Repeater {
                model: view.lines.slice(1)
                delegate: Text {
                    required property string modelData
                    Layout.fillWidth: true
                    text: modelData
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    color: Theme.slideText
                    font.pixelSize: Theme.title3
                }
            }
        }
    }

    RowLayout {
        visible: view.count > 0
        Layout.alignment: Qt.AlignHCenter
        spacing: 18

        RoundButton {
            objectName: "previousSlide"
            enabled: view.shownIndex >= 1
            icon.source: "icons/chevron.left.svg"
            icon.width: 14
            icon.height: 14
            onClicked: view.previous()
        }
        Label {
            objectName: "slideCaption"
            text: qsTr("Slide %1 of %2").arg(view.shownIndex + 1).arg(view.count)
            font.pixelSize: Theme.body
            color: Theme.secondaryText
        }
        RoundButton {
            objectName: "nextSlide"
            enabled: view.shownIndex < view.count - 1
            icon.source: "icons/chevron.right.svg"
            icon.width: 14
            icon.height: 14
            onClicked: view.next()
        }
    }
}
