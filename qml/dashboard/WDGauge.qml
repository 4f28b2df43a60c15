import QtQuick 2.15
import QtQuick.Extras 1.4
import QtQuick.Controls.Styles 1.4

// The wind-speed dial: the gauge draws only its scale and knob; the three
// speed needles are plain bars turning about its centre, set by the page.
Item {
    id: gauge

    property alias min: circularGauge.minimumValue
    property alias max: circularGauge.maximumValue
    property alias value: circularGauge.value
    property alias style: circularGauge.style
    property alias valueText: unitText.text
    property alias needle1: needle1
    property alias needle2: needle2
    property alias needle3: needle3
    readonly property bool moving: needle1.moving || needle2.moving || needle3.moving

    width: 200
    height: 200

    CircularGauge {
        id: circularGauge
        objectName: "circularGauge"
        anchors.fill: parent

        style: CircularGaugeStyle {
            minimumValueAngle: -130
            maximumValueAngle: 130
            labelInset: outerRadius * 0.2
            needle: null

            tickmark: Rectangle {
                implicitWidth: outerRadius * 0.03
                implicitHeight: outerRadius * 0.06
                antialiasing: true
                color: Settings.textColor
            }
            minorTickmark: Rectangle {
                implicitWidth: outerRadius * 0.02
                implicitHeight: outerRadius * 0.03
                antialiasing: true
                color: Settings.textColor
            }
            tickmarkLabel: Text {
                text: styleData.value
                font.pointSize: 12
                color: Settings.textColor
                antialiasing: true
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
        }
    }

    Text {
        id: unitText
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 10
        font.pointSize: 14
        color: Settings.textColor
    }

    SpeedNeedle {
        id: needle1
        objectName: "needle1"
        beyond: 72
        behind: 18
        thickness: 4
        color: Settings.textColor
    }
    SpeedNeedle {
        id: needle2
        objectName: "needle2"
        beyond: 52
        behind: 13
        thickness: 6
        color: Settings.needleColor2
    }
    SpeedNeedle {
        id: needle3
        objectName: "needle3"
        beyond: 32
        behind: 8
        thickness: 8
        color: Settings.needleColor3
    }
}
