import QtQuick 2.15
import QtQuick.Layouts 1.15
import "Format.js" as Format

// Rain in the station's own unit and solar radiation; the aviation page shows
// the same rows without the picture.
DashboardBox {
    property bool showImage: true

    title: qsTr("Extended")
    // Without the picture the box is a 100 px strip: closer margins.
    padding: showImage ? 12 : 6

    GridLayout {
        anchors.fill: parent
        columns: 2
        columnSpacing: 4
        rowSpacing: 2

        Item {
            Layout.columnSpan: 2
            Layout.fillHeight: true
        }
        Image {
            visible: showImage
            source: "../../images/rain.svg"
            // Drawn at the size it is shown, so it is sharp at any page scale.
            sourceSize: Qt.size(100 * renderScale, 100 * renderScale)
            fillMode: Image.PreserveAspectFit
            Layout.columnSpan: 2
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 100
            Layout.preferredHeight: 100
        }
        Item {
            Layout.columnSpan: 2
            Layout.fillHeight: true
        }

        ValueText {
            id: textRain
            objectName: "textRain"
            Layout.preferredWidth: 120
            text: Format.rainLabel(ModbusPort.rainUnits, ModbusPort.hasReading)
        }
        ValueText {
            id: rainText
            objectName: "rainText"
            horizontalAlignment: Text.AlignRight
            Layout.fillWidth: true
            text: Format.current(ModbusPort.hasReading,
                                 Format.rainAmount(ModbusPort.rainUnits, ModbusPort.rainDay))
        }

        ValueText {
            id: textRainRate
            objectName: "textRainRate"
            visible: ModbusPort.rainUnits !== 0
            Layout.preferredWidth: 120
            text: qsTr("<b>Rain Rate</b>")
        }
        ValueText {
            id: rainRateText
            objectName: "rainRateText"
            visible: ModbusPort.rainUnits !== 0
            horizontalAlignment: Text.AlignRight
            Layout.fillWidth: true
            text: Format.rainRate(ModbusPort.rainUnits, ModbusPort.rainRate)
        }

        ValueText {
            id: textSolar
            objectName: "textSolar"
            visible: ModbusPort.solarRadiation >= 0
            Layout.preferredWidth: 120
            text: qsTr("<b>Solar</b>")
        }
        ValueText {
            id: solarText
            objectName: "solarText"
            visible: ModbusPort.solarRadiation >= 0
            horizontalAlignment: Text.AlignRight
            Layout.fillWidth: true
            text: Format.solar(ModbusPort.solarRadiation)
        }
    }
}
