import QtQuick 2.15
import QtCharts 2.15
import "HistoryFormat.js" as HistoryFormat

// One history graph in the theme's colours: a time axis over the period, a
// value axis naming its unit, the series declared by the user, a readout of
// the values under the pointer and a note when the period holds no data.
ChartView {
    id: chart

    // The chart's name for History.axis(), hasData() and the readout.
    property string key
    property string unit
    property var units: ({})
    property alias timeAxis: timeAxis
    property alias valueAxis: valueAxis
    readonly property bool hasData: readout.available
    property real pointerX: 0
    // Called after each load to put the new points into the series.
    property var fill: function () {}

    antialiasing: true
    backgroundColor: Settings.backgroundColor
    backgroundRoundness: 0
    plotAreaColor: Settings.backgroundColor
    margins.top: legendBar.height + 4
    margins.bottom: 2
    margins.left: 2
    margins.right: 2
    // Our own legend: it names only the series that have a name, in the
    // theme's colours, and never cuts a name short.
    legend.visible: false
    animationOptions: ChartView.NoAnimation

    DateTimeAxis {
        id: timeAxis
        min: new Date(History.fromTime)
        max: new Date(History.toTime)
        format: HistoryFormat.axisFormat(History.range)
        tickCount: HistoryFormat.axisTicks(History.range)
        labelsColor: Settings.textColor
        labelsFont.pixelSize: 10
        color: HistoryFormat.translucent(Settings.textColor, 0.6)
        gridLineColor: HistoryFormat.translucent(Settings.textColor, 0.15)
    }

    ValueAxis {
        id: valueAxis
        labelsColor: Settings.textColor
        labelsFont.pixelSize: 10
        color: HistoryFormat.translucent(Settings.textColor, 0.6)
        gridLineColor: HistoryFormat.translucent(Settings.textColor, 0.15)
        titleText: HistoryFormat.axisTitle(chart.unit, Settings.textColor)
        titleFont.pixelSize: 11
        labelFormat: "%.4g"
    }

    function refresh() {
        fill()
        var named = []
        for (var i = 0; i < count; ++i) {
            var s = series(i)
            if (s.name !== "" && s.visible)
                named.push(s)
        }
        legendRow.model = named
        var range = History.axis(key)
        valueAxis.min = range[0]
        valueAxis.max = range[1]
        valueAxis.tickCount = range[2]
        readout.available = History.hasData(key)
        readout.text = ""
    }

    Row {
        id: legendBar
        anchors.horizontalCenter: parent.horizontalCenter
        y: 4
        spacing: 10
        Repeater {
            id: legendRow
            Row {
                spacing: 4
                Rectangle {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 14
                    height: 8
                    color: modelData.color
                    border.color: modelData.borderColor !== undefined ? modelData.borderColor
                                                                      : modelData.color
                }
                Text {
                    text: modelData.name
                    color: Settings.textColor
                    font.pixelSize: 11
                }
            }
        }
    }

    Text {
        objectName: "noData"
        anchors.centerIn: parent
        visible: !readout.available
        text: HistoryFormat.noData
        color: Settings.textColor
        font.pixelSize: 14
    }

    // The pointer's time and the values under it.
    Rectangle {
        id: cursor
        visible: readout.text !== ""
        x: chart.pointerX
        y: chart.plotArea.y
        width: 1
        height: chart.plotArea.height
        color: HistoryFormat.translucent(Settings.textColor, 0.7)
    }

    Text {
        id: readout
        objectName: "readout"
        property bool available: false
        visible: text !== ""
        x: Math.min(Math.max(chart.plotArea.x + 4, chart.pointerX - width / 2),
                    chart.plotArea.x + chart.plotArea.width - width - 4)
        y: chart.plotArea.y + 2
        color: Settings.textColor
        font.pixelSize: 11
        textFormat: Text.PlainText

        Rectangle {
            anchors.fill: parent
            anchors.margins: -3
            z: -1
            color: HistoryFormat.translucent(Settings.backgroundColor, 0.85)
            border.color: HistoryFormat.translucent(Settings.textColor, 0.4)
        }
    }

    MouseArea {
        id: pointer
        objectName: "pointer"
        x: chart.plotArea.x
        y: chart.plotArea.y
        width: chart.plotArea.width
        height: chart.plotArea.height
        hoverEnabled: true
        enabled: readout.available
        onPositionChanged: chart.showAt(mouse.x)
        onPressed: chart.showAt(mouse.x)
        onExited: readout.text = ""
    }

    // `at` is a position across the plot area.
    function showAt(at) {
        var series = chart.series(0)
        if (!series)
            return
        var value = chart.mapToValue(Qt.point(chart.plotArea.x + at, chart.plotArea.y), series)
        var values = History.valuesAt(value.x)
        var text = HistoryFormat.readout(key, values, units)
        chart.pointerX = chart.plotArea.x + at
        readout.text = text === "" ? "" : HistoryFormat.readoutTime(values, History.range)
                                          + "\n" + text
    }
}
