import QtQuick 2.15
import QtQuick.Shapes 1.15

// An up arrow and a down arrow side by side: data just came in.
Shape {
    id: icon

    property color color: Settings.textColor

    width: 18
    height: 18
    antialiasing: true

    ShapePath {
        fillColor: icon.color
        strokeColor: "transparent"
        // Up arrow, left half: head then shaft.
        startX: 4.5
        startY: 0
        PathLine { x: 9; y: 6 }
        PathLine { x: 5.5; y: 6 }
        PathLine { x: 5.5; y: 18 }
        PathLine { x: 3.5; y: 18 }
        PathLine { x: 3.5; y: 6 }
        PathLine { x: 0; y: 6 }
        PathLine { x: 4.5; y: 0 }
    }
    ShapePath {
        fillColor: icon.color
        strokeColor: "transparent"
        // Down arrow, right half.
        startX: 13.5
        startY: 18
        PathLine { x: 9; y: 12 }
        PathLine { x: 12.5; y: 12 }
        PathLine { x: 12.5; y: 0 }
        PathLine { x: 14.5; y: 0 }
        PathLine { x: 14.5; y: 12 }
        PathLine { x: 18; y: 12 }
        PathLine { x: 13.5; y: 18 }
    }
}
