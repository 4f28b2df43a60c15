import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Entry.js" as Entry
import "../controls"

// The records and climate reports: on or off, the base of the degree days,
// and "Rebuild records" from the whole archive (after an import, say), with
// what the records are doing.
WDGroupBox {
    id: box

    title: qsTr("Records and Climate Reports")

    GridLayout {
        anchors.fill: parent
        columns: 4
        columnSpacing: 10
        rowSpacing: 8

        WDCheckBox {
            objectName: "recordsCheckBox"
            text: qsTr("Enable")
            checked: Settings.recordsEnabled
            onToggled: Settings.recordsEnabled = checked
        }
        Item {
            Layout.fillWidth: true
        }
        BoxText {
            text: qsTr("Degree-day base (°C):")
        }
        StoredInput {
            objectName: "degreeDayBaseInput"
            Layout.preferredWidth: 60
            stored: Settings.degreeDayBase
            validator: RegularExpressionValidator {
                regularExpression: /\d{1,2}(\.\d?)?/
            }
            onCommitted: {
                var base = Entry.decimalNumber(text, 0, 30)
                if (base !== null)
                    Settings.degreeDayBase = base
            }
        }

        FaceButton {
            objectName: "rebuildRecordsButton"
            text: qsTr("Rebuild records")
            enabled: Settings.recordsEnabled && Records.ready
            onClicked: Records.rebuild()
        }
        BoxText {
            objectName: "recordsStatusText"
            Layout.columnSpan: 3
            Layout.fillWidth: true
            text: Settings.recordsEnabled ? Records.status : qsTr("Records off")
            elide: Text.ElideRight
        }
    }
}
