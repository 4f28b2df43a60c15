.pragma library

// Number texts and the station's "no value" markers, shared by both dashboards.

var highPrefix = qsTr("<b>High</b> ")
var lowPrefix = qsTr("<b>Low</b> ")

// Markers delivered unconverted by the back end in every display unit.
var noHigh = -10000
var noLow = 10000
var notAvailable = -999

var designWidth = 770
var designHeight = 670

// Adds one to a string of decimal digits.
function incremented(digits) {
    var out = ""
    var carry = 1
    for (var i = digits.length - 1; i >= 0; --i) {
        var d = digits.charCodeAt(i) - 48 + carry
        carry = d > 9 ? 1 : 0
        out = String.fromCharCode(48 + d % 10) + out
    }
    return carry ? "1" + out : out
}

// Fixed-point text with exactly `decimals` digits after the point. Rounds the
// shortest decimal form of the value, so 2.675 reads 2.68, with halves going
// away from zero; a negative value keeps its sign even when all digits are 0.
// NaN, a value the data checks refused, reads "--".
function fixed(value, decimals) {
    var v = Number(value)
    // A value the data checks refused.
    if (isNaN(v))
        return "--"
    if (!isFinite(v))
        return String(v)
    var m = /^(\d+)(?:\.(\d+))?(?:e([+-]\d+))?$/.exec(Math.abs(v).toString())
    var digits = m[1] + (m[2] || "")
    var point = m[1].length + (m[3] ? parseInt(m[3], 10) : 0)
    while (point < 1) {
        digits = "0" + digits
        ++point
    }
    while (digits.length < point + decimals + 1)
        digits += "0"
    var kept = digits.slice(0, point + decimals)
    if (digits.charAt(point + decimals) >= "5")
        kept = incremented(kept)
    var whole = kept.slice(0, kept.length - decimals)
    var text = decimals > 0 ? whole + "." + kept.slice(kept.length - decimals) : whole
    return (v < 0 ? "-" : "") + text
}

// A current value's text, or "--" until the station's first good reading: the
// start values were never measured, and 0 converted reads like a reading.
function current(hasReading, text) {
    return hasReading ? text : "--"
}

function withUnit(value, decimals, unit) {
    if (isNaN(Number(value)))
        return "--"
    return fixed(value, decimals) + " " + unit
}

function high(value, decimals) {
    return highPrefix + (value === noHigh ? "--" : fixed(value, decimals))
}

function low(value, decimals) {
    return lowPrefix + (value === noLow ? "--" : fixed(value, decimals))
}

function available(value) {
    return value !== notAvailable
}

function temperature(value, units) {
    return fixed(value, 1) + " <sup>" + units + "</sup>"
}

// Humidex comes unconverted, so it is always Celsius.
function humidex(value) {
    return value === notAvailable ? qsTr("N/A") : fixed(value, 1) + " °C"
}

function pressureDecimals(units) {
    return units === "mbar" ? 1 : 2
}

function stationPressure(value) {
    return value === 0 ? "--" : fixed(value, 2)
}

function direction(value) {
    return fixed(value, 1) + " °"
}

function averageSpeed(value, units) {
    return withUnit(value, 1, units) + " @"
}

function gustSpeed(gust, units) {
    return gust === 0 ? qsTr("None") : averageSpeed(gust, units)
}

function gustDirection(gust, dir) {
    return gust === 0 ? "" : direction(dir)
}

// Rain is in the station's own unit: 0 no gauge, 2 inches, else millimetres.
// Whether there is a gauge is known from the first reading on.
function rainLabel(rainUnits, hasReading) {
    return hasReading && rainUnits === 0 ? qsTr("<b>Rain gauge not installed</b>")
                                         : qsTr("<b>Rainfall</b>")
}

function rainAmount(rainUnits, amount) {
    if (rainUnits === 0)
        return ""
    return rainUnits === 2 ? fixed(amount, 2) + " in" : fixed(amount, 1) + " mm"
}

function rainRate(rainUnits, rate) {
    return fixed(rate, 2) + (rainUnits === 2 ? "in/hr" : "mm/hr")
}

function solar(value) {
    return fixed(value, 0) + " W/m^2"
}

// Heights arrive as whole feet; anything else is shown in its shortest form.
function feet(value) {
    return String(value) + " ft"
}

// Needle angles: clockwise degrees from the needle's pointing-right position.
function speedAngle(value, rangeHigh) {
    return -220 + value * 260 / rangeHigh
}

function directionAngle(bearing) {
    return -90 + bearing
}

// The dashboards keep their design size and are scaled as a whole.
function pageScale(width, height, footerHeight) {
    return Math.min(width / designWidth, (height - footerHeight) / designHeight)
}
