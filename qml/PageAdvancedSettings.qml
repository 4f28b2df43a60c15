import QtQuick 2.15

// Settings tab 3: serial number, data logging, debug logging, settings lock.
Item {
    id: pageAdvancedSettings

    property alias lockSetting: lockSetting

    LockSetting {
        id: lockSetting
        objectName: "lockSetting"
    }
}
