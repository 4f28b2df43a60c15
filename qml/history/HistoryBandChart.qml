import QtQuick 2.15
import QtQuick.Layouts 1.15
import QtCharts 2.15
import "HistoryFormat.js" as HistoryFormat

// A mean line over the band of each point's lowest and highest minute.
HistoryChart {
    id: chart

    property string lineName
    property color lineColor
    readonly property alias line: line

    Layout.fillWidth: true
    Layout.fillHeight: true
    fill: function () {
        History.fill(high, key + "High")
        History.fill(low, key + "Low")
        History.fill(line, key)
    }

    AreaSeries {
        name: qsTr("Range")
        axisX: chart.timeAxis
        axisY: chart.valueAxis
        color: HistoryFormat.translucent(chart.lineColor, 0.25)
        borderWidth: 0
        borderColor: "transparent"
        upperSeries: LineSeries { id: high }
        lowerSeries: LineSeries { id: low }
    }
    LineSeries {
        id: line
        name: chart.lineName
        axisX: chart.timeAxis
        axisY: chart.valueAxis
        color: chart.lineColor
        width: 1.5
    }
}
