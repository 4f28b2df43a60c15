import QtQuick 2.15
import QtQuick.Controls 2.15

// An editable spin box that shows a stored setting. After writing in
// onValueModified, the owner calls restore() so the box shows what the store
// kept, also when the store refused the value.
SpinBox {
    id: box

    property var stored

    function restore() {
        value = stored
    }

    editable: true
    font.pixelSize: 12
    onStoredChanged: restore()
    Component.onCompleted: restore()
}
