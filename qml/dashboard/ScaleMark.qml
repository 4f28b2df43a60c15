import QtQuick 2.15

// One tick mark of a dial, placed by its parent at the dial's centre: its
// outer corner lies on the rim and it is centred on `angle` (clockwise from
// straight up).
Rectangle {
    id: mark

    property real angle
    property real rimRadius

    x: rimRadius
    y: rimRadius
    antialiasing: true
    transform: [
        Translate {
            y: -mark.rimRadius
        },
        Rotation {
            angle: mark.angle - mark.width / mark.rimRadius * 90 / Math.PI
        }
    ]
}
