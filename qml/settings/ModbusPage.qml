import QtQuick 2.15
import QtQuick.Layouts 1.15

// Settings tab 2: how the program reaches the station, and what other
// computers need to reach the program's own Modbus TCP server.
SettingsPage {
    id: modbusPage

    // Called whenever the tab becomes current: the port list is read afresh.
    function refresh() {
        rtuGroupBox.refresh()
    }

    GridLayout {
        anchors.centerIn: parent
        columns: 2
        columnSpacing: 20
        rowSpacing: 20

        LinkTypeBox {
            id: groupBoxModbusType
            objectName: "groupBoxModbusType"
            Layout.columnSpan: 2
            Layout.preferredWidth: 730
        }

        RtuBox {
            id: rtuGroupBox
            objectName: "rtuGroupBox"
            enabled: Settings.readMode === 0
            Layout.preferredWidth: 360
            Layout.alignment: Qt.AlignTop
        }

        TcpBox {
            id: tcpGroupBox
            objectName: "tcpGroupBox"
            enabled: Settings.readMode !== 0
            Layout.preferredWidth: 350
            Layout.preferredHeight: 150
            Layout.alignment: Qt.AlignTop
        }

        ClientsBox {
            id: clientsGroupBox
            objectName: "clientsGroupBox"
            Layout.columnSpan: 2
            Layout.preferredWidth: 730
        }
    }
}
