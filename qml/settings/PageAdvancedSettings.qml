import QtQuick 2.15

// Settings tab 3: serial number, data logging, debug logging, the records,
// settings lock.
SettingsPage {
    id: pageAdvancedSettings

    property alias lockSetting: lockSetting

    Column {
        anchors.centerIn: parent
        spacing: 20

        SerialNumberBox {
            id: serialNumberBox
            objectName: "serialNumberBox"
            anchors.horizontalCenter: parent.horizontalCenter
            width: 460
        }

        LoggingBox {
            id: groupBoxLogging
            objectName: "groupBoxLogging"
            anchors.horizontalCenter: parent.horizontalCenter
            width: 460
        }

        // Side by side: the page holds no third box's height below the log.
        Row {
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 10

            RecordsBox {
                id: recordsBox
                objectName: "recordsBox"
                width: 370
            }

            LockSetting {
                id: lockSetting
                objectName: "lockSetting"
            }
        }
    }
}
