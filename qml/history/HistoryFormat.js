.pragma library
.import "../dashboard/Format.js" as Format

// Texts and colours of the history view; every colour is made from a theme
// colour of Settings.

var noData = qsTr("No data for this period")

// A theme colour with an alpha, for bands and fills.
function translucent(colorText, alpha) {
    var c = Qt.darker(colorText, 1.0)
    return Qt.rgba(c.r, c.g, c.b, alpha)
}

// The time axis' labels for each range: 24 h, 7 d, 30 d, 1 y.
function axisFormat(range) {
    return ["HH:mm", "ddd d", "d MMM", "MMM yy"][range] || "d MMM"
}

function axisTicks(range) {
    return [7, 8, 7, 7][range] || 7
}

// "Fri 6 Mar 14:00 – Sat 7 Mar 14:00"; the ranges of days name days only.
function periodText(fromMs, toMs, range) {
    var format = range >= 2 ? "d MMM yyyy" : "ddd d MMM HH:mm"
    // The period ends where the next begins; its last day is the one before.
    var last = range >= 2 ? toMs - 1 : toMs
    return Qt.formatDateTime(new Date(fromMs), format) + " – "
            + Qt.formatDateTime(new Date(last), format)
}

// The time under the pointer, to the minute or, for daily rain, the day.
function readoutTime(values, range) {
    if (values.time === undefined)
        return ""
    return Qt.formatDateTime(new Date(values.time), range >= 2 ? "ddd d MMM yyyy HH:mm"
                                                               : "ddd d MMM HH:mm")
}

function part(label, value, decimals, unit) {
    return value === undefined ? "" : label + " " + Format.fixed(value, decimals)
                                      + (unit ? " " + unit : "")
}

function joined(parts) {
    return parts.filter(function (p) { return p !== "" }).join("   ")
}

// What each chart reads out at the pointer.
function readout(chart, values, units) {
    switch (chart) {
    case "temp":
        return joined([part(qsTr("Temperature"), values.temp, 1, units.temperature),
                       part(qsTr("Dew point"), values.dew, 1, units.temperature)])
    case "hum":
        return part(qsTr("Humidity"), values.hum, 1, "%")
    case "press":
        return part(qsTr("Pressure"), values.press, Format.pressureDecimals(units.pressure),
                    units.pressure)
    case "wind":
        return joined([part(qsTr("Wind"), values.wind, 1, units.speed),
                       part(qsTr("Gust"), values.gust, 1, units.speed)])
    case "rain":
        return joined([part(qsTr("Rain"), values.rain, rainDecimals(units.rain), units.rain),
                       part(qsTr("Total"), values.rainTotal, rainDecimals(units.rain), units.rain)])
    case "solar":
        return part(qsTr("Solar"), values.solar, 0, "W/m²")
    }
    return ""
}

function rainDecimals(unit) {
    return unit === "in" ? 2 : 1
}

// An axis title in the theme's text colour: Qt Charts takes rich text there.
function axisTitle(unit, colorText) {
    return "<font color=\"" + colorText + "\">" + unit + "</font>"
}
