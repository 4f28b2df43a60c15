import QtQuick 2.15
import QtQuick.Layouts 1.15
import "Format.js" as Format

// Relative humidity and its day's extremes.
DashboardBox {
    property string valueFont

    title: qsTr("Humidity")

    GridLayout {
        anchors.fill: parent
        columns: 2
        columnSpacing: 4
        rowSpacing: 2

        Image {
            source: "../../images/humidity.png"
            // Decoded at the size it is drawn: no mipmaps to build at start-up.
            sourceSize: Qt.size(100 * renderScale, 100 * renderScale)
            fillMode: Image.PreserveAspectFit
            Layout.preferredWidth: 100
            Layout.preferredHeight: 100
        }
        MainValueText {
            id: humidityText
            objectName: "humidityText"
            fontFamily: valueFont
            text: Format.current(ModbusPort.hasReading,
                                 Format.withUnit(ModbusPort.humidity, 1, "%"))
        }

        Item {
            Layout.columnSpan: 2
            Layout.preferredHeight: 20
        }

        ValueText {
            id: textHumidityL
            objectName: "textHumidityL"
            color: Settings.blueColor
            text: Format.low(ModbusPort.humidityL, 1)
        }
        ValueText {
            id: textHumidityH
            objectName: "textHumidityH"
            color: Settings.redColor
            horizontalAlignment: Text.AlignRight
            Layout.fillWidth: true
            text: Format.high(ModbusPort.humidityH, 1)
        }

        Item {
            Layout.columnSpan: 2
            Layout.fillHeight: true
        }
    }
}
