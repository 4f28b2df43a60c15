import QtQuick 2.15

// A label or value of a dashboard box: 16 px, bold parts written as <b>.
Text {
    color: Settings.textColor
    font.pixelSize: 16
    textFormat: Text.StyledText
}
