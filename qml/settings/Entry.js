.pragma library

// Reading what the user typed into a settings field.

// The decimal integer a text begins with (blanks and a sign may come first),
// or null when the text does not begin with a number.
function leadingInteger(text) {
    var m = /^\s*([+-]?\d+)/.exec(text)
    return m ? parseInt(m[1], 10) : null
}

// A runway designator, 0 to 36, or -99 for no runway; null for anything else.
function runwayAngle(text) {
    var angle = leadingInteger(text)
    if (angle === -99 || (angle !== null && angle >= 0 && angle <= 36))
        return angle
    return null
}

// The number when the whole text is one integer from bottom to top, else null.
function wholeNumber(text, bottom, top) {
    if (!/^\s*[+-]?\d+\s*$/.test(text))
        return null
    var value = parseInt(text, 10)
    return value >= bottom && value <= top ? value : null
}

// The file URL of a folder, for the folder dialog to open at. A Windows path
// ("C:/logs") and a POSIX one ("/var/logs") both get three slashes.
function folderUrl(path) {
    var escaped = path.replace(/%/g, "%25").replace(/#/g, "%23").replace(/\?/g, "%3F")
    return "file://" + (escaped.charAt(0) === "/" ? "" : "/") + escaped
}

// The folder path of a file URL from the dialog: "file:///C:/logs" gives
// "C:/logs", "file:///var/logs" gives "/var/logs".
function folderPath(url) {
    var path = String(url).replace(/^file:\/\//, "")
    if (/^\/[A-Za-z]:/.test(path))
        path = path.slice(1)
    try {
        return decodeURIComponent(path)
    } catch (e) {
        return path
    }
}

// The number when the whole text is one decimal number ("-33.86", "151.2")
// from bottom to top, else null.
function decimalNumber(text, bottom, top) {
    if (!/^\s*[+-]?(\d+\.?\d*|\.\d+)\s*$/.test(text))
        return null
    var value = parseFloat(text)
    return value >= bottom && value <= top ? value : null
}
