import QtQuick 2.15

// A word-wrapped help text at the box title's size whose links open in the
// desktop's mail program or web browser.
Text {
    font.pixelSize: 15
    color: Settings.textColor
    linkColor: Settings.textColor
    wrapMode: Text.WordWrap
    textFormat: Text.StyledText
    onLinkActivated: Qt.openUrlExternally(link)

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.NoButton
        cursorShape: parent.hoveredLink ? Qt.PointingHandCursor : Qt.ArrowCursor
    }
}
