import QtQuick 2.15
import QtQuick.Controls 2.15

// A check box with a themed 12 px label.
CheckBox {
    id: control

    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing
        text: control.text
        font.pixelSize: 12
        color: Settings.textColor
        opacity: control.enabled ? 1.0 : 0.5
        verticalAlignment: Text.AlignVCenter
    }
}
