import QtQuick 2.15
import "../controls"

// Covers every settings page until the lock password is entered. A wrong
// password is not reported: the overlay and the typed text simply stay.
Rectangle {
    id: overlay

    color: Settings.backgroundColor

    // The pages below must not be reachable around the lock: every click,
    // wheel turn and hover stops here.
    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
        hoverEnabled: true
        onWheel: wheel.accepted = true
    }

    Row {
        anchors.centerIn: parent
        width: 200
        spacing: 10

        Text {
            id: label
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Password:")
            color: Settings.textColor
        }

        BoxedInput {
            id: passwordBox
            objectName: "passwordBox"
            width: parent.width - label.width - parent.spacing
            echoMode: TextInput.Password
            onEditingFinished: {
                if (Settings.testSettingsLock(text)) {
                    overlay.visible = false
                    text = ""
                }
            }
        }
    }
}
