import QtQuick 2.15
import QtQuick.Layouts 1.15
import QtCharts 2.15
import "HistoryFormat.js" as HistoryFormat

// Temperature and dew point over the band of each point's extremes; on the
// ranges longer than a week the band is each day's low to high instead.
HistoryChart {
    id: chart

    readonly property alias line: tempLine
    readonly property alias dayHighLine: dayHigh

    key: "temp"
    unit: Settings.temperatureUnits
    Layout.fillWidth: true
    Layout.fillHeight: true
    fill: function () {
        History.fill(tempHigh, "tempHigh")
        History.fill(tempLow, "tempLow")
        History.fill(dayHigh, "dayHigh")
        History.fill(dayLow, "dayLow")
        History.fill(tempLine, "temp")
        History.fill(dewLine, "dew")
    }

    AreaSeries {
        name: History.dailyBands ? qsTr("Daily range") : qsTr("Range")
        axisX: chart.timeAxis
        axisY: chart.valueAxis
        color: HistoryFormat.translucent(Settings.textColor, 0.18)
        borderWidth: 0
        borderColor: "transparent"
        upperSeries: LineSeries { id: tempHigh }
        lowerSeries: LineSeries { id: tempLow }
    }
    LineSeries {
        id: dayHigh
        name: qsTr("High")
        visible: History.dailyBands
        axisX: chart.timeAxis
        axisY: chart.valueAxis
        color: Settings.redColor
        width: 1
    }
    LineSeries {
        id: dayLow
        name: qsTr("Low")
        visible: History.dailyBands
        axisX: chart.timeAxis
        axisY: chart.valueAxis
        color: Settings.blueColor
        width: 1
    }
    LineSeries {
        id: tempLine
        name: qsTr("Temperature")
        axisX: chart.timeAxis
        axisY: chart.valueAxis
        color: Settings.textColor
        width: 1.5
    }
    LineSeries {
        id: dewLine
        name: qsTr("Dew point")
        axisX: chart.timeAxis
        axisY: chart.valueAxis
        color: Settings.needleColor2
        width: 1.5
    }
}
