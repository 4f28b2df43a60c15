import QtQuick 2.15

// Settings tab 3: serial number, data logging, debug logging, settings lock.
SettingsPage {
    id: pageAdvancedSettings

    property alias lockSetting: lockSetting

    Column {
        anchors.centerIn: parent
        spacing: 20

        SerialNumberBox {
            id: serialNumberBox
            objectName: "serialNumberBox"
            width: 460
        }

        LoggingBox {
            id: groupBoxLogging
            objectName: "groupBoxLogging"
            width: 460
        }

        LockSetting {
            id: lockSetting
            objectName: "lockSetting"
            anchors.horizontalCenter: parent.horizontalCenter
        }
    }
}
