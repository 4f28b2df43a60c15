import QtQuick 2.15
import "../controls"

// The choice between a serial link and a TCP gateway to the station. The
// buttons follow the stored read mode; a click stores the other mode.
WDGroupBox {
    id: box

    title: qsTr("Settings for Host Computer")

    Column {
        width: parent.width
        spacing: 6

        BoxText {
            width: parent.width
            wrapMode: Text.WordWrap
            text: qsTr("Connect the Host Computer to the weather station using either of the "
                       + "following methods:") + "\n\n"
                  + qsTr("1) USB-to-RS485 converter to the weather station Modbus To Host RTU port.")
                  + "\n\n"
                  + qsTr("2) Connect the Modbus To Host port on the weather station to a Modbus "
                         + "RTU-to-TCP gateway. Connect the gateway to the local area network. "
                         + "Sky Quill can poll weather station data over the computer LAN "
                         + "connection. (See Sky Quill Product Manual for more information.)")
        }

        Row {
            spacing: 40

            WDRadioButton {
                id: rtuRadioButton
                objectName: "rtuRadioButton"
                text: qsTr("1 - Modbus RTU")
                checked: Settings.readMode === 0
                onToggled: Settings.readMode = 0
                Component.onCompleted: contentItem.font.bold = true
            }

            WDRadioButton {
                id: tcpRadioButton
                objectName: "tcpRadioButton"
                text: qsTr("2 - Modbus TCP")
                checked: Settings.readMode === 1
                onToggled: Settings.readMode = 1
                Component.onCompleted: contentItem.font.bold = true
            }
        }
    }
}
