.pragma library

// How a needle or arrow moves to a new reading: a short swing that overshoots
// a little and settles like a damped spring, then stops. A timer steps it, not
// every frame, so a swing costs a handful of frames and the scene goes idle
// well before the next reading.

var stepMs = 33
var maxSteps = 12
// A smaller turn cannot be seen (about half a pixel at the tip of the longest
// arm): it is made at once, without a swing.
var visibleDegrees = 0.5

// The turn from one angle to another; the short way round on a dial that wraps.
function turn(from, to, wraps) {
    var d = to - from
    if (!wraps)
        return d
    d = ((d % 360) + 360) % 360
    return d > 180 ? d - 360 : d
}

// Steps of a swing: none when the turn would not show, more for a longer way
// (the tip moves a few pixels a step), never more than maxSteps.
function steps(degrees) {
    var a = Math.abs(degrees)
    if (!(a >= visibleDegrees))
        return 0
    return Math.min(maxSteps, Math.max(2, Math.ceil(1.6 * Math.sqrt(a))))
}

// Damping rate and angular frequency of the spring over one swing (time 0 to
// 1): a damping ratio of 0.67 overshoots by 6 %, and by the end the swing is
// within 0.3 % of its target.
var damping = 5.3
var frequency = 5.87

function spring(t) {
    return 1 - Math.exp(-damping * t)
            * (Math.cos(frequency * t) + damping / frequency * Math.sin(frequency * t))
}

// How far along its turn a swing stands at `fraction` of its steps: 0 at the
// start, exactly 1 at the end.
function progress(fraction) {
    if (fraction <= 0)
        return 0
    if (fraction >= 1)
        return 1
    // The last small remainder is taken up gradually rather than as a jump.
    return spring(fraction) + (1 - spring(1)) * fraction * fraction * fraction
}
