import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// The TCP link to a Modbus gateway in front of the station.
WDGroupBox {
    id: box

    title: qsTr("2 - Modbus TCP")

    GridLayout {
        anchors.fill: parent
        columns: 2
        columnSpacing: 10
        rowSpacing: 6

        BoxText {
            text: qsTr("IP Address:")
        }
        StoredInput {
            id: modbusIPInput
            objectName: "modbusIPInput"
            Layout.fillWidth: true
            stored: Settings.modbusIP
            onCommitted: Settings.modbusIP = text
        }

        BoxText {
            text: qsTr("Port:")
        }
        IntegerInput {
            id: modbusPortInput
            objectName: "modbusPortInput"
            Layout.fillWidth: true
            minimumValue: 0
            maximumValue: 65535
            stored: Settings.modbusPort
            onValueEntered: Settings.modbusPort = value
        }

        BoxText {
            text: qsTr("Modbus ID:")
        }
        IntegerInput {
            id: modbusIDInput
            objectName: "modbusIDInput"
            Layout.fillWidth: true
            minimumValue: 0
            maximumValue: 255
            stored: Settings.modbusID
            onValueEntered: Settings.modbusID = value
        }
    }
}
