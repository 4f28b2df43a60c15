import QtQuick 2.15

// The aviation dashboard: the altimeter instead of the pressure, a short
// extended strip, the METAR box and the runway on the compass.
Dashboard {
    id: aviationPage

    TemperatureBox {
        id: temperatureBox
        objectName: "temperatureBox"
        renderScale: aviationPage.renderScale
        x: 10
        y: 10
        width: 220
        height: 346
        valueFont: aviationPage.valueFont
    }

    WindBox {
        id: windBox
        objectName: "windBox"
        renderScale: aviationPage.renderScale
        x: temperatureBox.x + temperatureBox.width + 15
        y: 10
        width: aviationPage.width - 10 - x
        height: temperatureBox.height
        showRunway: true
    }

    HumidityBox {
        id: humidityBox
        objectName: "humidityBox"
        renderScale: aviationPage.renderScale
        x: 8
        y: temperatureBox.y + temperatureBox.height + 15
        width: 220
        height: aviationPage.height - 10 - y
        valueFont: aviationPage.valueFont
    }

    PressureBox {
        id: pressureBox
        objectName: "pressureBox"
        renderScale: aviationPage.renderScale
        x: humidityBox.x + humidityBox.width + 15
        y: humidityBox.y
        width: 230
        height: humidityBox.height
        title: qsTr("Altimeter")
        valueFont: aviationPage.valueFont
        value: ModbusPort.altimeter
        highValue: ModbusPort.highAltimeter
        lowValue: ModbusPort.lowAltimeter
        stationValue: ModbusPort.altimeterRaw
    }

    ExtendedBox {
        id: rainBox
        objectName: "rainBox"
        renderScale: aviationPage.renderScale
        x: pressureBox.x + pressureBox.width + 15
        y: humidityBox.y
        width: aviationPage.width - 10 - x
        height: 100
        showImage: false
    }

    AviationBox {
        id: otherBox
        objectName: "otherBox"
        renderScale: aviationPage.renderScale
        x: rainBox.x
        y: rainBox.y + rainBox.height + 15
        width: rainBox.width
        height: aviationPage.height - 10 - y
    }
}
