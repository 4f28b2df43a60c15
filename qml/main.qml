import QtQuick 2.15
import QtQuick.Controls 2.15

ApplicationWindow {
    id: applicationWindow
    objectName: "applicationWindow"
    visible: true
    title: qsTr("Quorin Sky Quill")
    width: 770
    height: 670
    minimumWidth: 770
    minimumHeight: 670
    color: Settings.backgroundColor

    // Until the dashboards arrive, the window itself starts and stops the
    // acquisition thread and shows the main readings as plain text.
    Component.onCompleted: ModbusPort.start()
    Component.onDestruction: ModbusPort.quit()

    Column {
        anchors.centerIn: parent
        spacing: 8

        Text {
            objectName: "airTempText"
            color: Settings.textColor
            font.pixelSize: 28
            text: qsTr("Temperature: %1 %2").arg(ModbusPort.airTemp.toFixed(1)).arg(Settings.temperatureUnits)
        }
        Text {
            objectName: "humidityText"
            color: Settings.textColor
            font.pixelSize: 28
            text: qsTr("Humidity: %1 %").arg(ModbusPort.humidity.toFixed(1))
        }
        Text {
            objectName: "pressureText"
            color: Settings.textColor
            font.pixelSize: 28
            text: qsTr("Pressure: %1 %2 %3").arg(ModbusPort.pressure.toFixed(2)).arg(Settings.pressureUnits).arg(ModbusPort.pressureTrendText)
        }
        Text {
            objectName: "windText"
            color: Settings.textColor
            font.pixelSize: 28
            text: qsTr("Wind: %1 %2 from %3°").arg(ModbusPort.wind.toFixed(1)).arg(Settings.speedUnits).arg(ModbusPort.windDir.toFixed(0))
        }
        Text {
            objectName: "metarText"
            color: Settings.textColor
            font.pixelSize: 16
            textFormat: Text.RichText
            text: ModbusPort.metar
        }
    }
}
