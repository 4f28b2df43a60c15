import QtQuick 2.15
import "../controls"

// Settings tab 6: the alarms, each with its state, an editor for one of
// them, and how a person is told.
SettingsPage {
    id: alarmsPage

    // What the alarm service reports: the alarms' states and the display
    // units of every quantity.
    readonly property var report: ModbusPort.services.alarms || ({})

    Column {
        anchors.centerIn: parent
        spacing: 12

        AlarmListBox {
            id: alarmListBox
            objectName: "alarmListBox"
            width: 720
            height: 250
            visible: !alarmEditor.visible
            report: alarmsPage.report
            onEdit: alarmEditor.open(index)
        }

        AlarmEditor {
            id: alarmEditor
            objectName: "alarmEditor"
            width: 720
            height: 250
            visible: false
            quantities: alarmsPage.report.quantities || []
        }

        AlarmNotifyBox {
            id: alarmNotifyBox
            objectName: "alarmNotifyBox"
            width: 720
            report: alarmsPage.report
        }
    }
}
