import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtCharts 2.15
import "HistoryFormat.js" as HistoryFormat

// The archive's graphs: a period of 24 h, 7 d, 30 d or 1 y, stepped back and
// forth, in six charts, and beside them the records page. Made on first
// opening; reads the archive each time it is shown and, while it shows the
// latest period, at every new minute.
Rectangle {
    id: view
    objectName: "historyView"

    signal close

    readonly property var units: ({
                                      temperature: Settings.temperatureUnits,
                                      pressure: Settings.pressureUnits,
                                      speed: Settings.speedUnits,
                                      rain: History.rainUnit
                                  })
    readonly property var charts: [temperatureChart, humidityChart, pressureChart, windChart,
        rainChart, solarChart]
    // For the tests, which cannot reach a chart's series by name.
    readonly property alias temperatureLine: temperatureChart.line
    readonly property alias dayHighLine: temperatureChart.dayHighLine
    readonly property alias pressureLine: pressureChart.line

    color: Settings.backgroundColor

    // As many points as the plot is wide, at most.
    property int points: 0
    property bool showRecords: false

    function load() {
        var plot = temperatureChart.plotArea.width
        points = Math.max(100, Math.round(plot > 0 ? plot : width / 2 - 90))
        History.load(points)
    }

    // The charts read the archive only while they are shown.
    readonly property bool chartsShown: visible && !showRecords
    onChartsShownChanged: {
        History.active = chartsShown
        if (chartsShown)
            load()
    }
    Component.onCompleted: {
        History.active = chartsShown
        load()
    }

    // A resized plot reads again once the resizing stops.
    Connections {
        target: temperatureChart
        function onPlotAreaChanged() {
            if (view.visible && Math.abs(temperatureChart.plotArea.width - view.points) > 8)
                resized.restart()
        }
    }
    Timer {
        id: resized
        interval: 200
        onTriggered: view.load()
    }

    Connections {
        target: History
        function onLoaded() {
            for (var i = 0; i < view.charts.length; ++i)
                view.charts[i].refresh()
        }
    }

    RowLayout {
        id: topBar
        anchors { left: parent.left; right: parent.right; top: parent.top; margins: 6 }
        spacing: 6

        Repeater {
            model: History.rangeNames
            HistoryButton {
                objectName: "range" + index
                text: modelData
                checked: !view.showRecords && History.range === index
                onClicked: {
                    view.showRecords = false
                    History.range = index
                }
            }
        }
        HistoryButton {
            objectName: "recordsButton"
            text: qsTr("Records")
            checked: view.showRecords
            onClicked: {
                recordsLoader.active = true
                view.showRecords = true
            }
        }

        HistoryButton {
            objectName: "previousButton"
            visible: !view.showRecords
            text: "◀"
            onClicked: History.previous()
        }
        Text {
            objectName: "periodText"
            visible: !view.showRecords
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: HistoryFormat.periodText(History.fromTime, History.toTime, History.range)
            color: Settings.textColor
            font.pixelSize: 13
            elide: Text.ElideRight
        }
        Item {
            visible: view.showRecords
            Layout.fillWidth: true
        }
        HistoryButton {
            objectName: "nextButton"
            visible: !view.showRecords
            text: "▶"
            enabled: History.hasNext
            onClicked: History.next()
        }
        HistoryButton {
            objectName: "latestButton"
            visible: !view.showRecords
            text: qsTr("Now")
            enabled: History.hasNext
            onClicked: History.latest()
        }

        ToolButton {
            objectName: "historyCloseButton"
            Layout.preferredWidth: 30
            Layout.preferredHeight: 30
            Layout.leftMargin: 10
            display: AbstractButton.IconOnly
            icon.source: "../../images/history.png"
            icon.color: "transparent"
            checked: true
            background: Rectangle {
                radius: 4
                color: HistoryFormat.translucent(Settings.textColor, 0.25)
            }
            onClicked: view.close()
        }
    }

    Text {
        objectName: "emptyText"
        anchors.centerIn: parent
        visible: History.empty && !view.showRecords
        text: HistoryFormat.noData
        color: Settings.textColor
        font.pixelSize: 24
    }

    GridLayout {
        anchors { left: parent.left; right: parent.right; top: topBar.bottom; bottom: parent.bottom }
        anchors.margins: 4
        columns: 2
        rowSpacing: 0
        columnSpacing: 0
        visible: !History.empty && !view.showRecords

        HistoryTemperatureChart {
            id: temperatureChart
            objectName: "temperatureChart"
            units: view.units
        }

        HistoryBandChart {
            id: humidityChart
            objectName: "humidityChart"
            key: "hum"
            unit: "%"
            units: view.units
            lineName: qsTr("Humidity")
            lineColor: Settings.blueColor
        }

        HistoryBandChart {
            id: pressureChart
            objectName: "pressureChart"
            key: "press"
            unit: Settings.pressureUnits
            units: view.units
            lineName: History.stationPressure ? qsTr("Station pressure")
                                              : qsTr("Sea-level pressure")
            lineColor: Settings.needleColor3
        }

        HistoryChart {
            id: windChart
            objectName: "windChart"
            key: "wind"
            unit: Settings.speedUnits
            units: view.units
            Layout.fillWidth: true
            Layout.fillHeight: true
            fill: function () {
                History.fill(gustLine, "gust")
                History.fill(windLine, "wind")
            }
            LineSeries {
                id: gustLine
                name: qsTr("Gust")
                axisX: windChart.timeAxis
                axisY: windChart.valueAxis
                color: Settings.redColor
                width: 1
            }
            LineSeries {
                id: windLine
                name: qsTr("Mean wind")
                axisX: windChart.timeAxis
                axisY: windChart.valueAxis
                color: Settings.textColor
                width: 1.5
            }
        }

        HistoryRainChart {
            id: rainChart
            objectName: "rainChart"
            units: view.units
        }

        HistoryChart {
            id: solarChart
            objectName: "solarChart"
            key: "solar"
            unit: "W/m²"
            units: view.units
            Layout.fillWidth: true
            Layout.fillHeight: true
            fill: function () {
                History.fill(solarMean, "solar")
                History.fill(solarZero, "solarZero")
                History.fill(solarPeak, "solarMax")
            }
            AreaSeries {
                name: qsTr("Solar radiation")
                axisX: solarChart.timeAxis
                axisY: solarChart.valueAxis
                color: HistoryFormat.translucent(Settings.needleColor2, 0.45)
                borderColor: Settings.needleColor2
                borderWidth: 1.5
                upperSeries: LineSeries { id: solarMean }
                lowerSeries: LineSeries { id: solarZero }
            }
            LineSeries {
                id: solarPeak
                name: qsTr("Peak")
                axisX: solarChart.timeAxis
                axisY: solarChart.valueAxis
                color: HistoryFormat.translucent(Settings.needleColor2, 0.8)
                width: 1
            }
        }
    }

    // Made when first shown.
    Loader {
        id: recordsLoader
        objectName: "recordsLoader"
        anchors { left: parent.left; right: parent.right; top: topBar.bottom; bottom: parent.bottom }
        anchors.margins: 8
        active: false
        visible: view.showRecords
        source: "RecordsPage.qml"
    }
}
