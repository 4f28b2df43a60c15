import QtQuick 2.15
import QtQuick.Window 2.15
import "Motion.js" as Motion

// Turns its parent to `angle`. A visible change swings there in a few timer
// steps and settles; one too small to see, or one on a hidden page or in a
// minimised window, is made at once. Nothing runs once the parent is there.
Item {
    id: swing

    property real angle
    // Compass arrows take the short way round; speed needles follow their scale.
    property bool wraps: false
    readonly property bool moving: timer.running

    readonly property bool shown: visible && Window.visibility !== Window.Minimized
                                  && Window.visibility !== Window.Hidden

    property real from
    property real turn
    property int step
    property int steps

    function settle() {
        timer.stop()
        parent.rotation = angle
    }

    function go() {
        var d = Motion.turn(parent.rotation, angle, wraps)
        steps = shown ? Motion.steps(d) : 0
        if (steps === 0) {
            settle()
            return
        }
        from = parent.rotation
        turn = d
        step = 0
        timer.restart()
    }

    onAngleChanged: go()
    onShownChanged: {
        if (!shown && moving)
            settle()
    }
    Component.onCompleted: settle()

    Timer {
        id: timer
        interval: Motion.stepMs
        repeat: true
        onTriggered: {
            if (++swing.step >= swing.steps)
                swing.settle()
            else
                swing.parent.rotation = swing.from + swing.turn * Motion.progress(swing.step / swing.steps)
        }
    }
}
