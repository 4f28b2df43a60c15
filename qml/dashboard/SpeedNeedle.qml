import QtQuick 2.15

// A bar pivoting on the centre of a 200 px gauge; at rotation 0 it points
// right. The item is centred on the pivot, so its rotation turns about it.
Item {
    id: needle
    property real beyond
    property real behind
    property real thickness
    property alias color: bar.color

    x: 100 - beyond
    y: 100 - thickness / 2
    width: 2 * beyond
    height: thickness

    Rectangle {
        id: bar
        x: parent.beyond - parent.behind
        width: parent.behind + parent.beyond
        height: parent.thickness
        antialiasing: true
    }

    // The hidden dashboard does not animate, and a quarter degree is close
    // enough to rest: a needle that never settles redraws the window for ever.
    Behavior on rotation {
        enabled: needle.visible
        SpringAnimation { spring: 1; damping: 0.5; modulus: 360; epsilon: 0.25 }
    }
}
