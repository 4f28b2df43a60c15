.pragma library

// The data-log interval as two spin boxes show it (whole minutes and the
// seconds left over), and the range of intervals the settings store accepts.

var shortest = 2
var longest = 3600

function minutes(total) {
    return Math.floor(total / 60)
}

function seconds(total) {
    return total - minutes(total) * 60
}

// What the boxes ask for, moved into the store's range: asking for less
// than the shortest or more than the longest gets that limit.
function storable(minutes, seconds) {
    return Math.min(longest, Math.max(shortest, minutes * 60 + seconds))
}
