import QtQuick 2.15
import QtQuick.Layouts 1.15
import QtCharts 2.15
import "HistoryFormat.js" as HistoryFormat

// Rain per hour (or per day on the long ranges) as bars, and the running
// total of the period on an axis of its own.
HistoryChart {
    id: chart

    key: "rain"
    unit: History.rainUnit
    Layout.fillWidth: true
    Layout.fillHeight: true
    fill: function () {
        History.fill(bars, "rain")
        History.fill(total, "rainTotal")
        var range = History.axis("rainTotal")
        totalAxis.min = range[0]
        totalAxis.max = range[1]
        totalAxis.tickCount = range[2]
    }

    ValueAxis {
        id: totalAxis
        labelsColor: Settings.textColor
        labelsFont.pixelSize: 10
        color: HistoryFormat.translucent(Settings.textColor, 0.6)
        gridVisible: false
        titleText: HistoryFormat.axisTitle(History.rainUnit, Settings.textColor)
        titleFont.pixelSize: 11
        labelFormat: "%.4g"
    }

    AreaSeries {
        name: History.rainPerDay ? qsTr("Rain per day") : qsTr("Rain per hour")
        axisX: chart.timeAxis
        axisY: chart.valueAxis
        color: HistoryFormat.translucent(Settings.blueColor, 0.6)
        borderColor: Settings.blueColor
        borderWidth: 1
        upperSeries: LineSeries { id: bars }
    }
    LineSeries {
        id: total
        name: qsTr("Total")
        axisX: chart.timeAxis
        axisYRight: totalAxis
        color: Settings.needleColor2
        width: 1.5
    }
}
