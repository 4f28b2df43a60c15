import QtQuick 2.15
import QtQuick.Controls 2.15

// A radio button with a themed 12 px label; siblings are mutually exclusive.
RadioButton {
    id: control

    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing
        text: control.text
        font.pixelSize: 12
        color: Settings.textColor
        verticalAlignment: Text.AlignVCenter
    }
}
