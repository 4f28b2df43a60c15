import QtQuick 2.15
import QtQuick.Shapes 1.15

// The gust triangle: an arm turning about the centre of a 200 px dial, with a
// small triangle just outside the rim pointing in at the centre.
Item {
    id: arm

    readonly property real rim: 100
    // The rotation to come; on the compass it swings the short way round.
    property alias angle: swing.angle
    property alias wraps: swing.wraps
    readonly property alias moving: swing.moving

    x: 100 - width / 2
    y: 100 - height / 2
    width: 2 * (rim + 9)
    height: 20

    Shape {
        x: arm.width - width
        width: 9
        height: 20
        antialiasing: true

        ShapePath {
            fillColor: Settings.redColor
            strokeColor: Settings.redColor
            strokeWidth: 1
            startX: 0
            startY: 10
            PathLine { x: 9; y: 0.5 }
            PathLine { x: 9; y: 19.5 }
            PathLine { x: 0; y: 10 }
        }
    }

    Swing {
        id: swing
    }
}
