import QtQuick
import QtQuick.Controls

ApplicationWindow {
    id: window
    title: "Korvane"
    width: 1280
    height: 800
    minimumWidth: 1120
    minimumHeight: 720
    visible: true

    Label {
        anchors.centerIn: parent
        text: "Korvane"
        font.pixelSize: 28
    }
}
