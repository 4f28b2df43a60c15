import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// The station's serial number, which identifies it to the portal: typed, or
// taken from what the station reported.
WDGroupBox {
    id: box

    title: qsTr("Weather Station")

    RowLayout {
        anchors.fill: parent
        spacing: 10

        BoxText {
            text: qsTr("Serial Number:")
        }

        IntegerInput {
            id: serialNumberTextInput
            objectName: "serialNumberTextInput"
            Layout.fillWidth: true
            minimumValue: 0
            maximumValue: 200000
            stored: Settings.serialNumber
            onValueEntered: Settings.serialNumber = value
        }

        FaceButton {
            id: initializeSerialButton
            objectName: "initializeSerialButton"
            text: qsTr("Read From Device")
            // Empty until the station has answered; then nothing is written.
            onClicked: serialNumberTextInput.submit(ModbusPort.deviceSerialNumber)
        }
    }
}
