import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../controls"
import "Alarms.js" as Alarms

// One alarm being added or edited; thresholds are entered in the display
// units and stored in the state object's base units.
WDGroupBox {
    id: box

    property var quantities: []
    // The alarm's place in the list; the list's length for a new one.
    property int index: -1
    readonly property var quantity: Alarms.quantity(quantities,
        quantities[quantityBox.currentIndex] ? quantities[quantityBox.currentIndex].key : "")

    title: index < Settings.alarms.length ? qsTr("Edit Alarm") : qsTr("New Alarm")

    function open(at) {
        index = at
        var a = at < Settings.alarms.length ? Settings.alarms[at] : null
        var keys = quantities.map(function (q) { return q.key })
        nameInput.text = a ? a.Name : ""
        quantityBox.currentIndex = Math.max(0, keys.indexOf(a ? a.Quantity : "temperature_c"))
        conditionBox.currentIndex = a && String(a.Condition).toLowerCase() === "below" ? 1 : 0
        var q = quantity
        var shown = function (v) { return Alarms.toDisplay(q, v).toFixed(q.decimals) }
        thresholdInput.text = a ? shown(a.Threshold) : ""
        clearInput.text = a && a.Clear !== undefined ? shown(a.Clear) : ""
        consecutiveInput.text = a && a.Consecutive !== undefined ? a.Consecutive : "3"
        latchInput.text = a && a.LatchMinutes !== undefined ? a.LatchMinutes : "30"
        problemText.text = ""
        visible = true
    }

    GridLayout {
        anchors.fill: parent
        columns: 4
        columnSpacing: 10
        rowSpacing: 6

        BoxText {
            text: qsTr("Name:")
        }
        BoxedInput {
            id: nameInput
            objectName: "alarmNameInput"
            Layout.fillWidth: true
            Layout.columnSpan: 3
        }

        BoxText {
            text: qsTr("Quantity:")
        }
        ComboBox {
            id: quantityBox
            objectName: "alarmQuantityBox"
            Layout.fillWidth: true
            font.pixelSize: 12
            model: box.quantities.map(function (q) { return q.name })
        }
        ComboBox {
            id: conditionBox
            objectName: "alarmConditionBox"
            Layout.columnSpan: 2
            font.pixelSize: 12
            model: [qsTr("above"), qsTr("below")]
        }

        BoxText {
            text: qsTr("Threshold (%1):").arg(box.quantity.unit)
        }
        BoxedInput {
            id: thresholdInput
            objectName: "alarmThresholdInput"
            Layout.fillWidth: true
            validator: DoubleValidator {
                locale: "C"
            }
        }
        BoxText {
            text: qsTr("Clear (%1):").arg(box.quantity.unit)
        }
        BoxedInput {
            id: clearInput
            objectName: "alarmClearInput"
            Layout.fillWidth: true
            validator: DoubleValidator {
                locale: "C"
            }
        }

        BoxText {
            text: qsTr("Consecutive cycles:")
        }
        BoxedInput {
            id: consecutiveInput
            objectName: "alarmConsecutiveInput"
            Layout.fillWidth: true
            validator: IntValidator {
                bottom: 1
                top: 86400
            }
        }
        BoxText {
            text: qsTr("Latch (minutes):")
        }
        BoxedInput {
            id: latchInput
            objectName: "alarmLatchInput"
            Layout.fillWidth: true
            validator: IntValidator {
                bottom: 0
                top: 10080
            }
        }

        BoxText {
            id: problemText
            objectName: "alarmProblemText"
            Layout.columnSpan: 2
            Layout.fillWidth: true
            color: Settings.redColor
        }
        FaceButton {
            objectName: "saveAlarmButton"
            text: qsTr("Save")
            onClicked: {
                var alarm = Alarms.fromEntry(box.quantity, nameInput.text.trim(),
                    conditionBox.currentIndex === 1, thresholdInput.text, clearInput.text,
                    consecutiveInput.text || "3", latchInput.text || "30")
                if (!alarm) {
                    problemText.text = qsTr("A name and a threshold are needed.")
                    return
                }
                Settings.alarms = Alarms.withAlarm(Settings.alarms, box.index, alarm)
                box.visible = false
            }
        }
        FaceButton {
            objectName: "cancelAlarmButton"
            text: qsTr("Cancel")
            onClicked: box.visible = false
        }
    }
}
