.pragma library

// The alarms as the settings tab shows and edits them. The store keeps each
// alarm as a map of texts (Name, Quantity, Condition, Threshold, Clear,
// Consecutive, LatchMinutes) with values in the state object's base units;
// the alarm service reports, for every quantity, the line to the display
// units: shown = base * scale + offset.

// The quantity's entry in the service's list, or a plain one.
function quantity(quantities, key) {
    for (var i = 0; i < (quantities ? quantities.length : 0); ++i) {
        if (quantities[i].key === key)
            return quantities[i]
    }
    return { key: key, name: key, unit: "", scale: 1, offset: 0, decimals: 1 }
}

function toDisplay(q, base) {
    return Number(base) * q.scale + q.offset
}

function fromDisplay(q, shown) {
    return q.scale === 0 ? shown : (shown - q.offset) / q.scale
}

// "30.0 °F"
function shownText(q, base) {
    var text = toDisplay(q, base).toFixed(q.decimals)
    return q.unit ? text + " " + q.unit : text
}

// "Temperature above 86.0 °F, clears below 82.4 °F"
function conditionText(alarm, quantities) {
    var q = quantity(quantities, alarm.Quantity)
    var below = String(alarm.Condition).toLowerCase() === "below"
    var clear = alarm.Clear === undefined || alarm.Clear === "" ? alarm.Threshold : alarm.Clear
    return q.name + (below ? " below " : " above ") + shownText(q, alarm.Threshold)
        + ", clears " + (below ? "above " : "below ") + shownText(q, clear)
}

// The alarm's state as the service reports it: "Raised since 14:05",
// "Clear", or why it is not watched.
function stateText(status) {
    if (!status)
        return ""
    if (status.problem)
        return "Not watched: " + status.problem
    if (!status.raised)
        return "Clear"
    var since = status.since ? new Date(status.since) : null
    return since && !isNaN(since.getTime())
        ? "Raised since " + since.toLocaleString(Qt.locale(), "yyyy-MM-dd HH:mm")
        : "Raised"
}

// The service's status of the alarm named `name`, if any.
function statusOf(report, name) {
    var all = report && report.alarms ? report.alarms : []
    for (var i = 0; i < all.length; ++i) {
        if (all[i].name === name || all[i].slug === name)
            return all[i]
    }
    return null
}

// The names of the raised alarms, for the dashboards' indicator.
function raisedNames(report) {
    var names = []
    var all = report && report.alarms ? report.alarms : []
    for (var i = 0; i < all.length; ++i) {
        if (all[i].raised)
            names.push(all[i].name)
    }
    return names
}

// An alarm map from what the editor holds, values entered in display units.
// Null when a number is missing or not one.
function fromEntry(q, name, below, threshold, clear, consecutive, latchMinutes) {
    var t = parseFloat(threshold)
    var c = clear === "" ? t : parseFloat(clear)
    if (!name || isNaN(t) || isNaN(c))
        return null
    return {
        Name: name,
        Quantity: q.key,
        Condition: below ? "below" : "above",
        Threshold: String(fromDisplay(q, t)),
        Clear: String(fromDisplay(q, c)),
        Consecutive: String(consecutive),
        LatchMinutes: String(latchMinutes)
    }
}

// A copy of the list with the alarm at `index` replaced (index === length:
// added; alarm null: removed).
function withAlarm(list, index, alarm) {
    var copy = []
    for (var i = 0; i < list.length; ++i) {
        if (i !== index)
            copy.push(list[i])
        else if (alarm)
            copy.push(alarm)
    }
    if (index >= list.length && alarm)
        copy.push(alarm)
    return copy
}

// "1 alarm raised", "3 alarms raised"
function indicatorText(count) {
    return count === 1 ? "1 alarm raised" : count + " alarms raised"
}
