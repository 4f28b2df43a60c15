import QtQuick 2.15
import "../settings/Alarms.js" as Alarms

// How many alarms are raised, in the dashboards' top row; a click lists
// them. Hidden while none is. Plain items: no controls for the first frame.
Item {
    id: indicator

    readonly property var report: ModbusPort.services.alarms || ({})
    readonly property var names: Alarms.raisedNames(report)
    property bool listed: false

    visible: names.length > 0
    width: label.implicitWidth + 12
    height: 20

    Rectangle {
        anchors.fill: parent
        radius: 4
        color: "transparent"
        border.color: Settings.redColor
    }

    Text {
        id: label
        objectName: "alarmIndicatorText"
        anchors.centerIn: parent
        text: Alarms.indicatorText(indicator.names.length)
        color: Settings.redColor
        font.pixelSize: 12
        font.bold: true
    }

    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: indicator.listed = !indicator.listed
    }

    Rectangle {
        objectName: "raisedAlarmList"
        anchors.top: parent.bottom
        anchors.topMargin: 4
        anchors.right: parent.right
        visible: indicator.listed && indicator.visible
        width: Math.max(parent.width, column.implicitWidth + 12)
        height: column.implicitHeight + 8
        z: 10
        color: Settings.backgroundColor
        border.color: Settings.redColor

        Column {
            id: column
            anchors.centerIn: parent

            Repeater {
                model: indicator.names

                Text {
                    text: modelData
                    color: Settings.textColor
                    font.pixelSize: 12
                }
            }
        }
    }
}
