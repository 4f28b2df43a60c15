import QtQuick 2.15
import QtQuick.Layouts 1.15
import "Format.js" as Format

// The pressure (standard page) or the altimeter setting (aviation page), its
// day's extremes, the trend word and the station pressure.
DashboardBox {
    property string valueFont
    property real value
    property real highValue
    property real lowValue
    property real stationValue

    readonly property int decimals: Format.pressureDecimals(Settings.pressureUnits)

    title: qsTr("Pressure")

    GridLayout {
        anchors.fill: parent
        columns: 2
        columnSpacing: 4
        rowSpacing: 2

        Image {
            source: "../../images/altimeter.png"
            // Decoded at the size it is drawn: no mipmaps to build at start-up.
            sourceSize: Qt.size(100 * renderScale, 100 * renderScale)
            fillMode: Image.PreserveAspectFit
            Layout.columnSpan: 2
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 100
            Layout.preferredHeight: 100
        }

        MainValueText {
            id: pressureText
            objectName: "pressureText"
            Layout.columnSpan: 2
            fontFamily: valueFont
            text: Format.current(ModbusPort.hasReading,
                                 Format.withUnit(value, decimals, Settings.pressureUnits))
        }

        Item {
            Layout.columnSpan: 2
            Layout.preferredHeight: 20
        }

        ValueText {
            text: qsTr("<b>Pressure Trend</b>")
        }
        ValueText {
            id: pressureTrendText
            objectName: "pressureTrendText"
            horizontalAlignment: Text.AlignRight
            Layout.fillWidth: true
            // "Falling Fast" beside the label is too wide for the box: take the
            // room that is left and shrink to it rather than overlap.
            Layout.preferredWidth: 1
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: 10
            text: Format.current(ModbusPort.hasReading, ModbusPort.pressureTrendText)
        }

        ValueText {
            id: textPressureL
            objectName: "textPressureL"
            color: Settings.blueColor
            text: Format.low(lowValue, decimals)
        }
        ValueText {
            id: textPressureH
            objectName: "textPressureH"
            color: Settings.redColor
            horizontalAlignment: Text.AlignRight
            Layout.fillWidth: true
            text: Format.high(highValue, decimals)
        }

        ValueText {
            color: Settings.needleColor2
            text: qsTr("<b>Absolute</b>")
        }
        ValueText {
            id: textUncompPressure
            objectName: "textUncompPressure"
            color: Settings.needleColor2
            horizontalAlignment: Text.AlignRight
            Layout.fillWidth: true
            text: Format.stationPressure(stationValue)
        }

        Item {
            Layout.columnSpan: 2
            Layout.fillHeight: true
        }
    }
}
