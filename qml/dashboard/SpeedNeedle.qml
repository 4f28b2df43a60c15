import QtQuick 2.15

// A bar pivoting on the centre of a 200 px gauge; at rotation 0 it points
// right. The item is centred on the pivot, so its rotation turns about it.
Item {
    id: needle
    property real beyond
    property real behind
    property real thickness
    property alias color: bar.color
    // Where the needle is to point; it swings there and stops.
    property alias angle: swing.angle
    readonly property alias moving: swing.moving

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

    Swing {
        id: swing
    }
}
