import QtQuick 2.15

// One tick mark of a dial whose centre is at (rimRadius, rimRadius) in the
// parent: its outer corner lies on the rim and it is centred on `angle`
// (clockwise from straight up). It turns about that corner.
Rectangle {
    property real angle
    property real rimRadius

    // The angle of the corner: half the mark's width before the centre line.
    readonly property real cornerRadians: (angle - width / rimRadius * 90 / Math.PI) * Math.PI / 180

    x: rimRadius + rimRadius * Math.sin(cornerRadians)
    y: rimRadius - rimRadius * Math.cos(cornerRadians)
    transformOrigin: Item.TopLeft
    rotation: cornerRadians * 180 / Math.PI
    antialiasing: true
}
