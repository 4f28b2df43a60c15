import QtQuick 2.15

// Settings tab 2: the station link and the gateway.
Item {
    id: modbusPage

    // Called whenever the tab becomes current: the port list is read afresh.
    function refresh() {
        Settings.getAvailablePorts()
    }
}
