.pragma library

// Texts of the records page and the climate reports. The values and times
// come formatted in the display units; these only lay them out.

var months = ["January", "February", "March", "April", "May", "June", "July", "August",
              "September", "October", "November", "December"]

var scopes = [qsTr("All time"), qsTr("This year"), qsTr("This month")]

// "2026" names the year's report, "2026-11" November's; anything else stays.
function periodName(period) {
    var m = /^(\d{4})(?:-(\d{2}))?$/.exec(period)
    if (!m)
        return period
    if (m[2] === undefined)
        return qsTr("Year %1").arg(m[1])
    var month = parseInt(m[2], 10)
    return month >= 1 && month <= 12 ? months[month - 1] + " " + m[1] : period
}

// A record's cell: its value over its time, or a dash where the scope has none.
function cell(value, time) {
    if (!value)
        return "—"
    return time ? value + "\n" + time : value
}

// The reports are laid out in columns: a fixed-width face of the system.
function monospace(os) {
    return os === "windows" ? "Courier New" : os === "osx" ? "Menlo" : "monospace"
}
