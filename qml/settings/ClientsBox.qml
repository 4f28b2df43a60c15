import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// What other computers need to read the station through this program's
// Modbus TCP server, whether it really listens, and who read it lately. The
// unit identifier is fixed; the port is a setting.
WDGroupBox {
    id: box

    title: qsTr("Settings for Client Computers")

    ColumnLayout {
        anchors.fill: parent
        spacing: 4

        BoxText {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: qsTr("Other computers and Modbus TCP clients on a LAN may request weather data "
                       + "from the Host Computer.")
        }

        GridLayout {
            columns: 2
            columnSpacing: 10
            rowSpacing: 2

            BoxText {
                text: qsTr("Host Computer IP Address:")
            }
            BoxText {
                id: hostIPLabel
                objectName: "hostIPLabel"
                font.bold: true
                // Read once: the addresses found at start-up.
                Component.onCompleted: text = Settings.modbusServerIP
            }

            BoxText {
                text: qsTr("Port:")
            }
            IntegerInput {
                id: gatewayPortInput
                objectName: "gatewayPortInput"
                Layout.preferredWidth: 80
                minimumValue: 1
                maximumValue: 65535
                stored: Settings.gatewayPort
                onValueEntered: Settings.gatewayPort = value
            }

            BoxText {
                text: qsTr("Weather Station ID:")
            }
            BoxText {
                font.bold: true
                text: "1"
            }
        }

        BoxText {
            id: gatewayStateText
            objectName: "gatewayStateText"
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            font.bold: true
            color: ModbusPort.gatewayListening ? Settings.textColor : Settings.redColor
            text: ModbusPort.gatewayState
        }

        BoxText {
            objectName: "gatewayHintText"
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            visible: text !== ""
            text: ModbusPort.gatewayHint
        }

        BoxText {
            text: qsTr("Recently connected clients:")
        }

        Column {
            objectName: "recentClientsList"

            Repeater {
                model: ModbusPort.recentClients

                BoxText {
                    objectName: "recentClient"
                    font.bold: true
                    text: modelData
                }
            }
        }
    }
}
