import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../controls"

// The serial link: the port, from a list scanned afresh whenever it is
// opened, and the baud rate.
WDGroupBox {
    id: box

    title: qsTr("1 - Modbus RTU")

    // Rescans the ports and selects the configured one (none if it is gone).
    function refresh() {
        Settings.getAvailablePorts()
        selectConfigured()
    }

    function selectConfigured() {
        comboBoxPorts.currentIndex = comboBoxPorts.find(Settings.getSerialPort())
    }

    Component.onCompleted: selectConfigured()

    ColumnLayout {
        anchors.fill: parent
        spacing: 6

        RowLayout {
            spacing: 10

            BoxText {
                text: qsTr("Serial Port")
            }

            ComboBox {
                id: comboBoxPorts
                objectName: "comboBoxPorts"
                Layout.fillWidth: true
                font.pixelSize: 12
                model: Settings.portsList
                onActivated: Settings.setSerialPort(textAt(index))
                popup.onAboutToShow: box.refresh()
            }
        }

        BoxText {
            text: qsTr("Baud Rate")
        }

        Row {
            spacing: 6

            WDRadioButton {
                objectName: "radioButton9600"
                text: qsTr("9600")
                checked: Settings.baudRate === 9600
                onToggled: Settings.baudRate = 9600
            }
            WDRadioButton {
                objectName: "radioButton19200"
                text: qsTr("19200 (default)")
                checked: Settings.baudRate === 19200
                onToggled: Settings.baudRate = 19200
            }
            WDRadioButton {
                objectName: "radioButton38400"
                text: qsTr("38400")
                checked: Settings.baudRate === 38400
                onToggled: Settings.baudRate = 38400
            }
        }
    }
}
