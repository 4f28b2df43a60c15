import QtQuick 2.15
import QtQuick.Shapes 1.15

// The gust triangle: an arm turning about the centre of a 200 px dial, with a
// small triangle just outside the rim pointing in at the centre.
Item {
    id: arm

    readonly property real rim: 100

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

    // The hidden dashboard does not animate, and a quarter degree is close
    // enough to rest: a needle that never settles redraws the window for ever.
    Behavior on rotation {
        enabled: arm.visible
        SpringAnimation { spring: 1; damping: 0.5; modulus: 360; epsilon: 0.25 }
    }
}
