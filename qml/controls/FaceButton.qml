import QtQuick 2.15
import QtQuick.Controls 2.15

// A push button on the control style's light face. The face does not follow
// the theme, so its text takes the style's own button-text colour.
Button {
    id: control

    property int textAlignment: Text.AlignHCenter

    font.pixelSize: 12

    contentItem: Text {
        text: control.text
        font: control.font
        color: control.palette.buttonText
        opacity: control.enabled ? 1.0 : 0.3
        horizontalAlignment: control.textAlignment
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
}
