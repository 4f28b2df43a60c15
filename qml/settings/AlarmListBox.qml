import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../controls"
import "Alarms.js" as Alarms

// The alarms of the settings with their conditions in the display units and
// their states, data stopped first; add, edit and remove.
WDGroupBox {
    id: box

    property var report: ({})
    property int current: -1
    // Asks for the editor on the alarm at `index` (the list's length: a new one).
    signal edit(int index)

    title: qsTr("Alarms")

    ColumnLayout {
        anchors.fill: parent
        spacing: 6

        RowLayout {
            spacing: 10

            BoxText {
                text: qsTr("Data stopped after (seconds, 0: never):")
            }
            IntegerInput {
                objectName: "dataStoppedInput"
                Layout.preferredWidth: 70
                minimumValue: 0
                maximumValue: 86400
                stored: Settings.dataStoppedAlarmSeconds
                onValueEntered: Settings.dataStoppedAlarmSeconds = value
            }
            BoxText {
                objectName: "dataStoppedState"
                font.bold: true
                text: Alarms.stateText(Alarms.statusOf(box.report, "data_stopped"))
            }
        }

        ListView {
            id: list
            objectName: "alarmList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: Settings.alarms
            currentIndex: box.current

            delegate: Rectangle {
                width: list.width
                height: 24
                color: index === box.current ? Settings.shadowColor : "transparent"

                RowLayout {
                    anchors.fill: parent
                    anchors.leftMargin: 4
                    spacing: 10

                    BoxText {
                        Layout.preferredWidth: 130
                        font.bold: true
                        elide: Text.ElideRight
                        text: modelData.Name
                    }
                    BoxText {
                        Layout.fillWidth: true
                        elide: Text.ElideRight
                        text: Alarms.conditionText(modelData, box.report.quantities)
                    }
                    BoxText {
                        objectName: "alarmState"
                        Layout.preferredWidth: 200
                        elide: Text.ElideRight
                        readonly property var status: Alarms.statusOf(box.report, modelData.Name)
                        color: status && status.raised ? Settings.redColor : Settings.textColor
                        text: Alarms.stateText(status)
                    }
                }

                MouseArea {
                    anchors.fill: parent
                    onClicked: box.current = index
                    onDoubleClicked: box.edit(index)
                }
            }
        }

        RowLayout {
            spacing: 10

            FaceButton {
                objectName: "addAlarmButton"
                text: qsTr("Add")
                onClicked: box.edit(Settings.alarms.length)
            }
            FaceButton {
                objectName: "editAlarmButton"
                text: qsTr("Edit")
                enabled: box.current >= 0 && box.current < list.count
                onClicked: box.edit(box.current)
            }
            FaceButton {
                objectName: "removeAlarmButton"
                text: qsTr("Remove")
                enabled: box.current >= 0 && box.current < list.count
                onClicked: {
                    Settings.alarms = Alarms.withAlarm(Settings.alarms, box.current, null)
                    box.current = -1
                }
            }
        }
    }
}
