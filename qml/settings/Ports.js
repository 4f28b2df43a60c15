.pragma library

// The serial-port box of the Modbus page: the ports found, and the configured
// one beside them when the scan does not list it (a pseudo-terminal, a link of
// its own), so the box never looks as if none were set; marked only when its
// path does not exist.

var notPresent = " (not present)"

function copy(found) {
    var list = []
    for (var i = 0; i < found.length; ++i)
        list.push(found[i])
    return list
}

// The entries of the box; `present`: whether the configured port exists.
function choices(found, configured, present) {
    var list = copy(found)
    if (configured !== "" && list.indexOf(configured) < 0)
        list.push(present ? configured : configured + notPresent)
    return list
}

// The entry that shows the configured port; -1 when none is configured.
function indexOf(found, configured) {
    if (configured === "")
        return -1
    var index = copy(found).indexOf(configured)
    return index < 0 ? found.length : index
}

// The port name behind entry `index`: never the marked text.
function nameAt(found, configured, index) {
    if (index >= 0 && index < found.length)
        return found[index]
    return configured
}
