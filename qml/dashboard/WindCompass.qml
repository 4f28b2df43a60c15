import QtQuick 2.15
import "../controls"

// The wind-direction dial: a full-circle scale with the cardinal letters and
// an optional runway beneath, drawn once into a cached layer, then the three
// direction arrows and the gust triangle.
Item {
    id: compass

    property bool showRunway: false
    property alias dirNeedle: dirNeedle
    property alias dir2Needle: dir2Needle
    property alias dir10Needle: dir10Needle
    property alias dirGust: dirGust
    property alias runwayImage: runwayImage
    // The page's scale times the screen's pixel ratio: the layer's resolution.
    property real renderScale: 1
    readonly property bool moving: dirNeedle.moving || dir2Needle.moving || dir10Needle.moving
                                   || dirGust.moving

    width: 200
    height: 200

    // The still parts, drawn once into a cached layer. A margin keeps the
    // edges of the outer marks in it.
    CachedLayer {
        id: face
        x: -2
        y: -2
        width: compass.width + 4
        height: compass.height + 4
        renderScale: compass.renderScale

        Item {
            id: dial
            x: 2
            y: 2
            width: compass.width
            height: compass.height

            // 120 units over the full circle: a major mark every 30 degrees.
            GaugeScale {
                anchors.fill: parent
                minimumValue: 0
                maximumValue: 120
                minimumAngle: -180
                maximumAngle: 180
                labels: false
            }

            Image {
                id: runwayImage
                objectName: "runwayImage"
                anchors.centerIn: parent
                width: 20
                height: 100
                source: "../../images/runway.svg"
                sourceSize: Qt.size(20, 100)
                scale: 1.2
                visible: compass.showRunway && Settings.runwayAngle !== -99
                rotation: Settings.runwayAngle * 10
            }

            CompassLetter {
                text: "N"
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.top: parent.top
                anchors.topMargin: 9
            }
            CompassLetter {
                text: "E"
                anchors.verticalCenter: parent.verticalCenter
                anchors.right: parent.right
                anchors.rightMargin: 12
            }
            CompassLetter {
                text: "S"
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 9
            }
            CompassLetter {
                text: "W"
                anchors.verticalCenter: parent.verticalCenter
                anchors.left: parent.left
                anchors.leftMargin: 10
            }
        }
    }

    DirectionArrow {
        id: dirNeedle
        objectName: "dirNeedle"
        arrowLength: 40
        arrowWidth: 8
        color: Settings.textColor
    }
    DirectionArrow {
        id: dir2Needle
        objectName: "dir2Needle"
        arrowLength: 30
        arrowWidth: 10
        color: Settings.needleColor2
    }
    DirectionArrow {
        id: dir10Needle
        objectName: "dir10Needle"
        arrowLength: 20
        arrowWidth: 12
        color: Settings.needleColor3
    }
    GustMarker {
        id: dirGust
        objectName: "dirGust"
        wraps: true
    }
}
