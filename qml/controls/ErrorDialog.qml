import QtQuick 2.15
import QtQuick.Dialogs 1.3

// A critical message with an OK button; OK hides it.
MessageDialog {
    title: qsTr("Error")
    icon: StandardIcon.Critical
    standardButtons: StandardButton.Ok
    onAccepted: visible = false
}
