import QtQuick 2.15
import QtQuick.Layouts 1.15
import "Format.js" as Format

// The METAR line, density altitude and estimated cloud base, always in feet.
DashboardBox {
    title: qsTr("Aviation")

    GridLayout {
        anchors.fill: parent
        columns: 2
        columnSpacing: 4
        rowSpacing: 2

        ValueText {
            id: textMETAR
            objectName: "textMETAR"
            Layout.columnSpan: 2
            Layout.fillWidth: true
            Layout.preferredWidth: 200
            Layout.preferredHeight: 60
            wrapMode: Text.WordWrap
            verticalAlignment: Text.AlignTop
            text: ModbusPort.metar
        }

        Rectangle {
            Layout.columnSpan: 2
            Layout.fillWidth: true
            Layout.preferredHeight: 20
            color: Settings.backgroundColor
        }

        // A label narrows its font rather than run into its value.
        ValueText {
            id: textDensityAltitude
            objectName: "textDensityAltitude"
            Layout.minimumWidth: 120
            Layout.fillWidth: true
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: 12
            text: qsTr("<b>Density Altitude</b>")
        }
        ValueText {
            id: densityAltitudeText
            objectName: "densityAltitudeText"
            horizontalAlignment: Text.AlignRight
            text: Format.current(ModbusPort.hasReading, Format.feet(ModbusPort.densityAltitude))
        }

        ValueText {
            id: textEstCloudBase
            objectName: "textEstCloudBase"
            Layout.minimumWidth: 120
            Layout.fillWidth: true
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: 12
            text: qsTr("<b>Estimated Cloud Base</b>")
        }
        ValueText {
            id: estCloudBaseText
            objectName: "estCloudBaseText"
            horizontalAlignment: Text.AlignRight
            text: Format.current(ModbusPort.hasReading, Format.feet(ModbusPort.estimatedCloudBase))
        }

        Item {
            Layout.columnSpan: 2
            Layout.fillHeight: true
        }
    }
}
