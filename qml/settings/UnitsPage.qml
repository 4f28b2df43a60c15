import QtQuick 2.15
import QtQuick.Controls 2.15

// Settings tab 1: dashboard view, runway, display units, pressure reduction
// and the colour theme. Every click is written at once.
SettingsPage {
    id: unitsPage

    function showUnits() {
        groupBoxTemp.selected = Settings.getTemperatureUnits()
        groupBoxPressure.selected = Settings.getPressureUnits()
        groupBoxSpeed.selected = Settings.getSpeedUnits()
        groupBoxPressureAdjustment.selected = Settings.getPressureAdjustment()
    }

    Component.onCompleted: showUnits()

    Connections {
        target: Settings
        function onUnitsChanged() {
            unitsPage.showUnits()
        }
    }

    Column {
        anchors.centerIn: parent
        spacing: 20

        ChoiceBox {
            id: modeGroupBox
            objectName: "modeGroupBox"
            title: qsTr("View Mode")
            labels: [qsTr("Standard"), qsTr("Aviation")]
            names: ["standardRadioButton", "aviationRadioButton"]
            selected: Settings.viewMode
            onChosen: Settings.viewMode = index
        }

        RunwayBox {
            id: aviationGroupBox
            objectName: "aviationGroupBox"
        }

        ChoiceBox {
            id: groupBoxTemp
            objectName: "groupBoxTemp"
            title: qsTr("Temperature Units")
            labels: [qsTr("Celsius"), qsTr("Fahrenheit")]
            names: ["radioButtonC", "radioButtonF"]
            onChosen: Settings.setTemperatureUnits(index)
        }

        ChoiceBox {
            id: groupBoxPressure
            objectName: "groupBoxPressure"
            title: qsTr("Pressure Units")
            labels: [qsTr("mbar"), qsTr("mmHg"), qsTr("inHg"), qsTr("kPa")]
            names: ["radioButtonMB", "radioButtonMMHG", "radioButtonINHG", "radioButtonKPA"]
            onChosen: Settings.setPressureUnits(index)
        }

        ChoiceBox {
            id: groupBoxSpeed
            objectName: "groupBoxSpeed"
            title: qsTr("Speed Units")
            labels: [qsTr("mph"), qsTr("m/s"), qsTr("km/h"), qsTr("knots")]
            names: ["radioButtonMPH", "radioButtonMPS", "radioButtonKPH", "radioButtonKNOTS"]
            onChosen: Settings.setSpeedUnits(index)
        }

        ChoiceBox {
            id: groupBoxPressureAdjustment
            objectName: "groupBoxPressureAdjustment"
            title: qsTr("Pressure Adjustment")
            labels: [qsTr("Mean Sea Level"), qsTr("Absolute")]
            names: ["meanSeaRadioButton", "absoluteRadioButton"]
            spread: true
            onChosen: Settings.setPressureAdjustment(index)
        }

        Button {
            id: buttonTheme
            objectName: "buttonTheme"
            text: qsTr("Change Theme")
            flat: true
            leftPadding: 0
            rightPadding: 0
            onClicked: Settings.changeTheme()

            contentItem: Text {
                text: buttonTheme.text
                font.pointSize: 12
                color: Settings.textColor
                verticalAlignment: Text.AlignVCenter
            }

            background: Rectangle {
                color: Settings.backgroundColor
            }
        }
    }
}
