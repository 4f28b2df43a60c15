import QtQuick 2.15

// The frame of every settings tab: themed background, a thin border and the
// program version in the bottom right corner. Each page centres its boxes.
Rectangle {
    color: Settings.backgroundColor
    border.color: Settings.textColor
    border.width: 1

    Text {
        objectName: "versionText"
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 10
        horizontalAlignment: Text.AlignRight
        text: qsTr("Version: ") + Settings.version
        font.pixelSize: 12
        color: Settings.textColor
    }
}
