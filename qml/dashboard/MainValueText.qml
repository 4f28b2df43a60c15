import QtQuick 2.15
import QtQuick.Layouts 1.15

// The large reading of a box (temperature, humidity, pressure).
Text {
    property string fontFamily

    color: Settings.textColor
    font.family: fontFamily
    font.pixelSize: 26
    textFormat: Text.RichText
    horizontalAlignment: Text.AlignHCenter
    verticalAlignment: Text.AlignVCenter
    Layout.fillWidth: true
}
