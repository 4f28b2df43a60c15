import QtQuick 2.15
import QtQuick.Layouts 1.15
import "Format.js" as Format

// Air temperature with its day's extremes and the derived indices.
DashboardBox {
    property string valueFont
    // One of the theme's colours, so it is read again when the theme changes.
    readonly property string wbgtColour: (Settings.backgroundColor, ModbusPort.wbgtColor)

    title: qsTr("Temperature")

    GridLayout {
        anchors.fill: parent
        columns: 2
        columnSpacing: 4
        rowSpacing: 2

        Image {
            source: "../../images/thermometer.svg"
            sourceSize: Qt.size(22, 48)
            fillMode: Image.PreserveAspectFit
            Layout.preferredWidth: 89
            Layout.preferredHeight: 100
        }
        MainValueText {
            id: temperatureText
            objectName: "temperatureText"
            fontFamily: valueFont
            text: Format.current(ModbusPort.hasReading,
                                 Format.temperature(ModbusPort.airTemp, Settings.temperatureUnits))
        }

        ValueText {
            id: textTempL
            objectName: "textTempL"
            color: Settings.blueColor
            text: Format.low(ModbusPort.airTempL, 1)
        }
        ValueText {
            id: textTempH
            objectName: "textTempH"
            color: Settings.redColor
            horizontalAlignment: Text.AlignRight
            Layout.fillWidth: true
            text: Format.high(ModbusPort.airTempH, 1)
        }

        ValueText {
            color: Settings.needleColor2
            text: qsTr("<b>Dew Point</b>")
        }
        ValueText {
            id: dewPointText
            objectName: "dewPointText"
            color: Settings.needleColor2
            text: Format.current(ModbusPort.hasReading, Format.fixed(ModbusPort.dewPoint, 1))
        }

        ValueText {
            id: textWindChill
            objectName: "textWindChill"
            visible: Format.available(ModbusPort.windChill)
            text: qsTr("<b>Wind Chill</b>")
        }
        ValueText {
            id: windChillText
            objectName: "windChillText"
            visible: Format.available(ModbusPort.windChill)
            text: Format.withUnit(ModbusPort.windChill, 1, Settings.temperatureUnits)
        }

        ValueText {
            text: qsTr("<b>Humidex</b>")
        }
        ValueText {
            id: humidexText
            objectName: "humidexText"
            text: Format.humidex(ModbusPort.humidex)
        }

        ValueText {
            id: textHeatIndex
            objectName: "textHeatIndex"
            visible: Format.available(ModbusPort.heatIndex)
            text: qsTr("<b>Heat Index</b>")
        }
        ValueText {
            id: heatIndexText
            objectName: "heatIndexText"
            visible: Format.available(ModbusPort.heatIndex)
            text: Format.withUnit(ModbusPort.heatIndex, 1, Settings.temperatureUnits)
        }

        ValueText {
            id: textWBGT
            objectName: "textWBGT"
            visible: Format.available(ModbusPort.wbgt)
            color: wbgtColour
            text: qsTr("<b>WBGT</b>")
        }
        ValueText {
            id: wbgtText
            objectName: "wbgtText"
            visible: Format.available(ModbusPort.wbgt)
            color: wbgtColour
            text: Format.withUnit(ModbusPort.wbgt, 1, Settings.temperatureUnits)
        }

        Item {
            Layout.columnSpan: 2
            Layout.fillHeight: true
        }
    }
}
