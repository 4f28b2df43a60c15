import QtQuick 2.15
import QtQuick.Controls 2.15

// A framed one-line field with the cut/copy/paste menu on the right button.
// It publishes itself as inputBox so a form can alias an instance's field.
TextField {
    id: inputBox

    property alias inputBox: inputBox

    font.pixelSize: 12
    color: Settings.textColor
    selectByMouse: true

    background: Rectangle {
        color: Settings.backgroundColor
        border.color: Settings.textColor
        opacity: inputBox.enabled ? 1.0 : 0.5
    }

    EditMenu {
        objectName: "editMenu"
        editor: inputBox
    }
}
