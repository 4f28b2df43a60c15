import QtQuick 2.15
import QtQuick.Extras 1.4
import QtQuick.Controls.Styles 1.4

// The wind-direction dial: a full-circle scale with the cardinal letters, an
// optional runway beneath, the three direction arrows and the gust triangle.
Item {
    id: compass

    property bool showRunway: false
    property alias dirNeedle: dirNeedle
    property alias dir2Needle: dir2Needle
    property alias dir10Needle: dir10Needle
    property alias dirGust: dirGust
    property alias runwayImage: runwayImage
    readonly property bool moving: dirNeedle.moving || dir2Needle.moving || dir10Needle.moving
                                   || dirGust.moving

    width: 200
    height: 200

    CircularGauge {
        id: dial
        anchors.fill: parent
        minimumValue: 0
        maximumValue: 120

        style: CircularGaugeStyle {
            minimumValueAngle: -180
            maximumValueAngle: 180
            needle: null
            foreground: null
            tickmarkLabel: null

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
        }
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
        mipmap: true
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
