import QtQuick 2.15
import QtTest 1.15
import "../../qml/dashboard/Motion.js" as Motion

// The swing of a needle to a new reading: which way round, how many steps,
// and the shape of its way there.
TestCase {
    name: "Motion"

    function test_turn_data() {
        return [
            { tag: "scale, forwards", from: -220, to: 40, wraps: false, turn: 260 },
            { tag: "scale, backwards", from: 40, to: -220, wraps: false, turn: -260 },
            { tag: "dial, across north", from: 260, to: -80, wraps: true, turn: 20 },
            { tag: "dial, back across north", from: -80, to: 260, wraps: true, turn: -20 },
            { tag: "dial, whole turns", from: 10, to: 745, wraps: true, turn: 15 },
            { tag: "dial, half a turn", from: 0, to: 180, wraps: true, turn: 180 },
            { tag: "dial, still", from: 90, to: 450, wraps: true, turn: 0 }
        ]
    }

    function test_turn(data) {
        fuzzyCompare(Motion.turn(data.from, data.to, data.wraps), data.turn, 1e-9)
    }

    function test_steps() {
        compare(Motion.steps(0), 0)
        compare(Motion.steps(0.49), 0)
        compare(Motion.steps(-0.49), 0)
        compare(Motion.steps(NaN), 0)
        compare(Motion.steps(0.5), 2)
        compare(Motion.steps(-0.5), 2)
        // Longer ways take more steps, up to a limit.
        verify(Motion.steps(5) > Motion.steps(1))
        verify(Motion.steps(30) > Motion.steps(5))
        compare(Motion.steps(260), Motion.maxSteps)
        compare(Motion.steps(-260), Motion.maxSteps)
        // The longest swing is over in well under a second.
        verify(Motion.maxSteps * Motion.stepMs <= 600)
    }

    function test_progress() {
        compare(Motion.progress(0), 0)
        compare(Motion.progress(1), 1)
        var peak = 0
        var previous = 0
        for (var i = 1; i < 100; ++i) {
            var p = Motion.progress(i / 100)
            peak = Math.max(peak, p)
            verify(p > 0, "at " + i + " %")
            previous = p
        }
        // It overshoots a little, like a spring, and comes to rest smoothly:
        // the last step before the end is too small to see.
        verify(peak > 1.02 && peak < 1.1, "peak " + peak)
        verify(Math.abs(1 - previous) < 0.005, "last step " + (1 - previous))
    }
}
