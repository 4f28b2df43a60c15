import QtQuick 2.15
import "Entry.js" as Entry
import "../controls"

// The runway designator for the aviation dashboard; usable only while the
// aviation view is selected. An invalid entry brings the stored one back.
WDGroupBox {
    id: box

    title: qsTr("Aviation")
    width: 360
    enabled: Settings.viewMode === 1
    background.opacity: enabled ? 1.0 : 0.5

    Column {
        width: parent.width
        spacing: 6

        BoxText {
            width: parent.width
            wrapMode: Text.WordWrap
            opacity: 1.0
            text: qsTr("Enter 0 to 36 for runway. -99 disables image.")
        }

        Row {
            spacing: 10

            BoxText {
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("Runway Angle:")
            }

            StoredInput {
                id: runwayAngleTextInput
                objectName: "runwayAngleTextInput"
                width: 120
                stored: Settings.runwayAngle
                onCommitted: {
                    var angle = Entry.runwayAngle(text)
                    if (angle !== null)
                        Settings.runwayAngle = angle
                }
            }
        }
    }
}
