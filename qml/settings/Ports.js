.pragma library

// The serial-port box of the Modbus page: the ports found, and the configured
// one marked when it is missing, so the box never looks as if none were set.

var notPresent = " (not present)"

function copy(found) {
    var list = []
    for (var i = 0; i < found.length; ++i)
        list.push(found[i])
    return list
}

// The entries of the box.
function choices(found, configured) {
    var list = copy(found)
    if (configured !== "" && list.indexOf(configured) < 0)
        list.push(configured + notPresent)
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
