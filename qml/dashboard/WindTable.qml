import QtQuick 2.15
import QtQuick.Layouts 1.15
import "Format.js" as Format

// The 2-minute and 10-minute averages and the gust, each speed @ direction.
GridLayout {
    columns: 3
    columnSpacing: 3
    rowSpacing: 2

    ValueText {
        Layout.preferredWidth: 90
        color: Settings.needleColor2
        text: qsTr("<b>2 min avg</b>")
    }
    ValueText {
        id: textWindSpeed2
        objectName: "textWindSpeed2"
        Layout.preferredWidth: 100
        horizontalAlignment: Text.AlignRight
        color: Settings.needleColor2
        text: Format.current(ModbusPort.hasReading,
                             Format.averageSpeed(ModbusPort.wind2, Settings.speedUnits))
    }
    ValueText {
        id: textWindDir2
        objectName: "textWindDir2"
        Layout.preferredWidth: 60
        horizontalAlignment: Text.AlignRight
        color: Settings.needleColor2
        text: Format.current(ModbusPort.hasReading, Format.direction(ModbusPort.windDir2))
    }

    ValueText {
        Layout.preferredWidth: 90
        color: Settings.needleColor3
        text: qsTr("<b>10 min avg</b>")
    }
    ValueText {
        id: textWindSpeed10
        objectName: "textWindSpeed10"
        Layout.preferredWidth: 100
        horizontalAlignment: Text.AlignRight
        color: Settings.needleColor3
        text: Format.current(ModbusPort.hasReading,
                             Format.averageSpeed(ModbusPort.wind10, Settings.speedUnits))
    }
    ValueText {
        id: textWindDir10
        objectName: "textWindDir10"
        Layout.preferredWidth: 60
        horizontalAlignment: Text.AlignRight
        color: Settings.needleColor3
        text: Format.current(ModbusPort.hasReading, Format.direction(ModbusPort.windDir10))
    }

    ValueText {
        Layout.preferredWidth: 90
        color: Settings.redColor
        text: qsTr("<b>Gust</b>")
    }
    ValueText {
        id: textWindSpeedGust
        objectName: "textWindSpeedGust"
        Layout.preferredWidth: 100
        horizontalAlignment: Text.AlignRight
        color: Settings.redColor
        text: Format.current(ModbusPort.hasReading,
                             Format.gustSpeed(ModbusPort.windGust, Settings.speedUnits))
    }
    ValueText {
        id: textWindDirGust
        objectName: "textWindDirGust"
        Layout.preferredWidth: 60
        horizontalAlignment: Text.AlignRight
        color: Settings.redColor
        text: Format.gustDirection(ModbusPort.windGust, ModbusPort.windDirGust)
    }
}
