import QtQuick 2.15

// A transparent arm of the compass: it pivots 5 px right of and 2 px above
// the dial centre, reaches 18 px behind the pivot and 112 px beyond it, and
// carries its arrow at the outer end, pointing back at the centre.
Item {
    id: arm

    property alias color: arrow.color
    property alias arrowLength: arrow.width
    property alias arrowWidth: arrow.height
    // The arm's rotation to come; it swings there the short way round.
    property alias angle: swing.angle
    readonly property alias moving: swing.moving

    readonly property real pivotX: 105
    readonly property real pivotY: 98

    // Centred on the pivot so that the item's own rotation turns about it;
    // only the 130 px from 18 behind to 112 beyond carry anything.
    x: pivotX - 112
    y: pivotY - height / 2
    width: 224
    height: arrow.height

    ArrowShape {
        id: arrow
    }

    Swing {
        id: swing
        wraps: true
    }
}
