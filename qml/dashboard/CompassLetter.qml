import QtQuick 2.15

Text {
    color: Settings.textColor
    font.family: "Times New Roman"
    font.italic: true
    font.pixelSize: 25
}
