import QtQuick 2.15
import QtQuick.Shapes 1.15

// A filled triangle pointing left, set against the right end of its parent.
Shape {
    id: arrow

    property string color: Settings.textColor

    anchors.right: parent.right
    anchors.verticalCenter: parent.verticalCenter
    antialiasing: true

    ShapePath {
        fillColor: arrow.color
        strokeColor: arrow.color
        strokeWidth: 1
        startX: 0
        startY: arrow.height / 2
        PathLine { x: arrow.width; y: 0 }
        PathLine { x: arrow.width; y: arrow.height }
        PathLine { x: 0; y: arrow.height / 2 }
    }
}
