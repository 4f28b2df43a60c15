import QtQuick 2.15

// The standard dashboard.
Dashboard {
    id: standardPage

    TemperatureBox {
        id: temperatureBox
        objectName: "temperatureBox"
        renderScale: standardPage.renderScale
        x: 10
        y: 10
        width: 220
        height: 346
        valueFont: standardPage.valueFont
    }

    WindBox {
        id: windBox
        objectName: "windBox"
        renderScale: standardPage.renderScale
        x: temperatureBox.x + temperatureBox.width + 15
        y: 10
        width: standardPage.width - 10 - x
        height: temperatureBox.height
    }

    HumidityBox {
        id: humidityBox
        objectName: "humidityBox"
        renderScale: standardPage.renderScale
        x: 8
        y: temperatureBox.y + temperatureBox.height + 15
        width: 220
        height: standardPage.height - 10 - y
        valueFont: standardPage.valueFont
    }

    PressureBox {
        id: pressureBox
        objectName: "pressureBox"
        renderScale: standardPage.renderScale
        x: humidityBox.x + humidityBox.width + 15
        y: humidityBox.y
        width: 230
        height: humidityBox.height
        valueFont: standardPage.valueFont
        value: ModbusPort.pressure
        highValue: ModbusPort.pressureH
        lowValue: ModbusPort.pressureL
        stationValue: ModbusPort.pressureRaw
    }

    ExtendedBox {
        id: rainBox
        objectName: "rainBox"
        renderScale: standardPage.renderScale
        x: pressureBox.x + pressureBox.width + 15
        y: humidityBox.y
        width: standardPage.width - 10 - x
        height: humidityBox.height
    }
}
