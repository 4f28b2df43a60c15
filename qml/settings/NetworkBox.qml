import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// One weather network's account: on or off, who the station is, its secret
// (masked), how often it uploads, and what became of the last upload. The
// endpoint, for mirrors and tests, waits under "Advanced". The keys are the
// network's Settings properties named by `prefix` and the two names below.
WDGroupBox {
    id: box

    // "cwop", "windy", "pws" or "wow": its properties' prefix and its status key.
    property string prefix
    property string idProperty: prefix + "StationId"
    property string secretProperty: prefix + "Password"
    property string endpointProperty: prefix + "Url"
    property string idLabel: qsTr("Station ID:")
    property string secretLabel: qsTr("Password:")
    property int minimumMinutes: 1
    property bool advanced: false

    GridLayout {
        anchors.fill: parent
        columns: 2
        columnSpacing: 10
        rowSpacing: 6

        WDCheckBox {
            objectName: box.prefix + "EnabledCheckBox"
            Layout.columnSpan: 2
            text: qsTr("Upload")
            checked: Settings[box.prefix + "Enabled"]
            onToggled: Settings[box.prefix + "Enabled"] = checked
        }

        BoxText {
            text: box.idLabel
        }
        StoredInput {
            objectName: box.prefix + "IdInput"
            Layout.fillWidth: true
            stored: Settings[box.idProperty]
            onCommitted: Settings[box.idProperty] = text
        }

        BoxText {
            text: box.secretLabel
        }
        StoredInput {
            objectName: box.prefix + "SecretInput"
            Layout.fillWidth: true
            echoMode: TextInput.Password
            stored: Settings[box.secretProperty]
            onCommitted: Settings[box.secretProperty] = text
        }

        BoxText {
            text: qsTr("Every (minutes):")
        }
        IntegerInput {
            objectName: box.prefix + "IntervalInput"
            Layout.fillWidth: true
            minimumValue: box.minimumMinutes
            maximumValue: 1440
            stored: Settings[box.prefix + "IntervalMinutes"]
            onValueEntered: Settings[box.prefix + "IntervalMinutes"] = value
        }

        BoxText {
            objectName: box.prefix + "Status"
            Layout.columnSpan: 2
            Layout.fillWidth: true
            font.bold: true
            elide: Text.ElideRight
            text: {
                var all = ModbusPort.services.networks
                return all && all[box.prefix] ? all[box.prefix] : qsTr("Off")
            }
        }

        BoxText {
            objectName: box.prefix + "AdvancedToggle"
            Layout.columnSpan: 2
            text: (box.advanced ? "\u25be " : "\u25b8 ") + qsTr("Advanced")
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: box.advanced = !box.advanced
            }
        }
        BoxText {
            visible: box.advanced
            text: qsTr("Endpoint:")
        }
        StoredInput {
            objectName: box.prefix + "EndpointInput"
            visible: box.advanced
            Layout.fillWidth: true
            stored: Settings[box.endpointProperty]
            onCommitted: Settings[box.endpointProperty] = text
        }
    }
}
