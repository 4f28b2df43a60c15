import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// Calibration of the sensors that read off, the data checks (physical
// bounds and the spike filter) on or off, and how many values the checks
// refused since the console started.
WDGroupBox {
    id: box

    // What the checks report through the acquisition; nothing before the
    // first cycle.
    readonly property var report: ModbusPort.services ? ModbusPort.services.quality : undefined

    title: qsTr("Data Quality")

    GridLayout {
        anchors.fill: parent
        columns: 4
        columnSpacing: 10
        rowSpacing: 6

        BoxText {
            text: qsTr("Temperature offset (°C):")
        }
        CalibrationInput {
            objectName: "calTemperatureOffsetInput"
            lowest: -20
            highest: 20
            stored: Settings.calTemperatureOffset
            onValueEntered: Settings.calTemperatureOffset = value
        }
        BoxText {
            text: qsTr("Wind multiplier:")
        }
        CalibrationInput {
            objectName: "calWindMultiplierInput"
            lowest: 0.1
            highest: 3
            stored: Settings.calWindMultiplier
            onValueEntered: Settings.calWindMultiplier = value
        }

        BoxText {
            text: qsTr("Humidity offset (%):")
        }
        CalibrationInput {
            objectName: "calHumidityOffsetInput"
            lowest: -50
            highest: 50
            stored: Settings.calHumidityOffset
            onValueEntered: Settings.calHumidityOffset = value
        }
        BoxText {
            text: qsTr("Rain multiplier:")
        }
        CalibrationInput {
            objectName: "calRainMultiplierInput"
            lowest: 0.1
            highest: 3
            stored: Settings.calRainMultiplier
            onValueEntered: Settings.calRainMultiplier = value
        }

        BoxText {
            text: qsTr("Pressure offset (hPa):")
        }
        CalibrationInput {
            objectName: "calPressureOffsetInput"
            lowest: -50
            highest: 50
            stored: Settings.calPressureOffset
            onValueEntered: Settings.calPressureOffset = value
        }
        BoxText {
            text: qsTr("Solar multiplier:")
        }
        CalibrationInput {
            objectName: "calSolarMultiplierInput"
            lowest: 0.1
            highest: 3
            stored: Settings.calSolarMultiplier
            onValueEntered: Settings.calSolarMultiplier = value
        }

        WDCheckBox {
            objectName: "qualityChecksCheckBox"
            Layout.columnSpan: 4
            text: qsTr("Check limits and filter spikes")
            checked: Settings.qualityChecks
            onToggled: Settings.qualityChecks = checked
        }

        BoxText {
            objectName: "rejectedText"
            Layout.columnSpan: 4
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: qsTr("Rejected: ") + (box.report ? box.report.rejected : qsTr("None"))
        }
    }
}
