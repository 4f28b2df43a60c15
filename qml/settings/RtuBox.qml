import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../controls"
import "Ports.js" as Ports

// The serial link: the port, from a list scanned afresh whenever it is
// opened, and the baud rate.
WDGroupBox {
    id: box

    title: qsTr("1 - Modbus RTU")

    // Read anew with every scan; the store has no change signal for it.
    property string configuredPort: Settings.getSerialPort()
    property bool configuredPresent: Settings.portExists(configuredPort)

    // Rescans the ports and selects the configured one, marked if it is gone.
    function refresh() {
        configuredPort = Settings.getSerialPort()
        Settings.getAvailablePorts()
        configuredPresent = Settings.portExists(configuredPort)
        selectConfigured()
    }

    function selectConfigured() {
        comboBoxPorts.currentIndex = Ports.indexOf(Settings.portsList, configuredPort)
    }

    function choose(index) {
        var name = Ports.nameAt(Settings.portsList, configuredPort, index)
        Settings.setSerialPort(name)
        configuredPort = name
        configuredPresent = Settings.portExists(name)
        selectConfigured()
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
                model: Ports.choices(Settings.portsList, box.configuredPort, box.configuredPresent)
                onActivated: box.choose(index)
                popup.onAboutToShow: box.refresh()

                // By-id names differ only at their ends, so they lose their middle.
                contentItem: Text {
                    leftPadding: 12
                    rightPadding: comboBoxPorts.indicator.width + comboBoxPorts.spacing
                    text: comboBoxPorts.displayText
                    font: comboBoxPorts.font
                    color: comboBoxPorts.palette.buttonText
                    elide: Text.ElideMiddle
                    verticalAlignment: Text.AlignVCenter
                }
                delegate: ItemDelegate {
                    width: comboBoxPorts.width
                    highlighted: comboBoxPorts.highlightedIndex === index
                    contentItem: Text {
                        text: modelData
                        font: comboBoxPorts.font
                        color: comboBoxPorts.palette.text
                        elide: Text.ElideMiddle
                        verticalAlignment: Text.AlignVCenter
                    }
                }
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
