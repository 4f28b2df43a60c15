import QtQuick 2.15
import QtQuick.Layouts 1.15
import "Format.js" as Format
import "../controls"

// Speed gauge, current wind, direction compass and the averages and gust.
DashboardBox {
    id: box

    property alias showRunway: gaugeDirection.showRunway
    // True while a needle, arrow or gust marker is still swinging.
    readonly property bool moving: windGauge.moving || windGust.moving || gaugeDirection.moving

    live: true

    title: qsTr("Wind Speed and Direction")

    GridLayout {
        anchors.fill: parent
        columns: 5
        columnSpacing: 5
        rowSpacing: 4

        Item { Layout.fillWidth: true }

        WDGauge {
            id: windGauge
            objectName: "windGauge"
            Layout.preferredWidth: 200
            Layout.preferredHeight: 200
            max: Settings.speedRangeHigh
            valueText: Settings.speedUnits
            renderScale: box.renderScale
            needle1.angle: Format.speedAngle(ModbusPort.wind, Settings.speedRangeHigh)
            needle2.angle: Format.speedAngle(ModbusPort.wind2, Settings.speedRangeHigh)
            needle3.angle: Format.speedAngle(ModbusPort.wind10, Settings.speedRangeHigh)

            GustMarker {
                id: windGust
                objectName: "windGust"
                angle: Format.speedAngle(ModbusPort.windGust, Settings.speedRangeHigh)
            }
        }

        // The current direction and speed on a 60 px column, which longer
        // texts overhang on both sides. They are drawn anew once per reading,
        // not with every step of the needles, into a layer wide enough to hold
        // the overhang.
        Item {
            Layout.preferredWidth: 60
            Layout.preferredHeight: current.height
            Layout.alignment: Qt.AlignTop
            Layout.topMargin: 10

            CachedLayer {
                readonly property real overhang: 40
                x: -overhang
                width: parent.width + 2 * overhang
                height: current.height
                renderScale: box.renderScale
                layer.smooth: false

                Column {
                    id: current
                    x: parent.overhang
                    width: 60
                    spacing: 10

                    ValueText {
                        id: textWindDir
                        objectName: "textWindDir"
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        text: Format.current(ModbusPort.hasReading,
                                             Format.direction(ModbusPort.windDir))
                    }
                    ValueText {
                        id: textWindSpeed
                        objectName: "textWindSpeed"
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        text: Format.current(ModbusPort.hasReading,
                                             Format.withUnit(ModbusPort.wind, 1, Settings.speedUnits))
                    }
                }
            }
        }

        WindCompass {
            id: gaugeDirection
            objectName: "gaugeDirection"
            Layout.preferredWidth: 200
            Layout.preferredHeight: 200
            renderScale: box.renderScale
            dirNeedle.angle: Format.directionAngle(ModbusPort.windDir)
            dir2Needle.angle: Format.directionAngle(ModbusPort.windDir2)
            dir10Needle.angle: Format.directionAngle(ModbusPort.windDir10)
            dirGust.angle: Format.directionAngle(ModbusPort.windDirGust)
            dirGust.visible: ModbusPort.windGust !== 0
            // North is no reading: the arrows wait for the first.
            dirNeedle.visible: ModbusPort.hasReading
            dir2Needle.visible: ModbusPort.hasReading
            dir10Needle.visible: ModbusPort.hasReading
        }

        Item { Layout.fillWidth: true }

        Item { Layout.fillWidth: true }

        WindTable {
            Layout.columnSpan: 3
            Layout.preferredWidth: 300
            Layout.alignment: Qt.AlignHCenter
            // Drawn anew once per reading, not with every step of the needles.
            // A layer as CachedLayer makes one (WindTable is a component).
            readonly property bool cachesLayer: true
            layer.enabled: cachesLayer && GraphicsInfo.api !== GraphicsInfo.Software
            layer.textureSize: Qt.size(Math.ceil(width * box.renderScale),
                                       Math.ceil(height * box.renderScale))
        }

        Item { Layout.fillWidth: true }

        Item {
            Layout.columnSpan: 5
            Layout.fillHeight: true
        }
    }
}
