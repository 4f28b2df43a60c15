import QtQuick 2.15
import "../controls"

// The wind-speed dial: a scale of 260 degrees with its knob and unit, drawn
// once into a cached layer, and the three speed needles, plain bars turning
// about its centre, set by the page.
Item {
    id: gauge

    property real min: 0
    property real max: 100
    property alias valueText: unitText.text
    property alias needle1: needle1
    property alias needle2: needle2
    property alias needle3: needle3
    // The page's scale times the screen's pixel ratio: the layer's resolution.
    property real renderScale: 1
    readonly property bool moving: needle1.moving || needle2.moving || needle3.moving

    width: 200
    height: 200

    // The still parts. A margin keeps the edges of the outer marks in the layer.
    CachedLayer {
        id: face
        x: -2
        y: -2
        width: gauge.width + 4
        height: gauge.height + 4
        renderScale: gauge.renderScale

        GaugeScale {
            id: dial
            objectName: "speedScale"
            x: 2
            y: 2
            width: gauge.width
            height: gauge.height
            minimumValue: gauge.min
            maximumValue: gauge.max
            minimumAngle: -130
            maximumAngle: 130
        }

        // Drawn at 58 x 59 and scaled to a fifth of the radius high, so it
        // stays sharp when the page is enlarged.
        Image {
            anchors.centerIn: dial
            source: "../../images/knob.svg"
            sourceSize: Qt.size(58, 59)
            scale: dial.outerRadius * 0.2 / 59
        }

        Text {
            id: unitText
            anchors.horizontalCenter: dial.horizontalCenter
            anchors.bottom: dial.bottom
            anchors.bottomMargin: 10
            font.pointSize: 14
            color: Settings.textColor
        }
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
