import QtQuick 2.15
import QtTest 1.15
import "../../qml/settings/Entry.js" as Entry
import "../../qml/settings/Intervals.js" as Intervals

// What the settings fields make of typed text, and the data-log interval
// as the two spin boxes show and write it.
TestCase {
    name: "SettingsInput"

    function test_leadingInteger_data() {
        return [
            { tag: "plain", text: "9", value: 9 },
            { tag: "blanks and plus sign", text: "  +12", value: 12 },
            { tag: "negative", text: "-99", value: -99 },
            { tag: "digits then letters", text: "27L", value: 27 },
            { tag: "decimal point ends it", text: "9.7", value: 9 },
            { tag: "letters first", text: "abc", value: null },
            { tag: "sign alone", text: "-", value: null },
            { tag: "empty", text: "", value: null },
            { tag: "blank between sign and digits", text: "- 5", value: null }
        ]
    }

    function test_leadingInteger(data) {
        compare(Entry.leadingInteger(data.text), data.value)
    }

    function test_runwayAngle_data() {
        return [
            { tag: "lowest", text: "0", value: 0 },
            { tag: "highest", text: "36", value: 36 },
            { tag: "one past", text: "37", value: null },
            { tag: "no runway", text: "-99", value: -99 },
            { tag: "other negative", text: "-1", value: null },
            { tag: "not a number", text: "abc", value: null },
            { tag: "number with a tail", text: "09 east", value: 9 }
        ]
    }

    function test_runwayAngle(data) {
        compare(Entry.runwayAngle(data.text), data.value)
    }

    function test_wholeNumber_data() {
        return [
            { tag: "in range", text: "1502", value: 1502 },
            { tag: "top", text: "65535", value: 65535 },
            { tag: "above top", text: "70000", value: null },
            { tag: "below bottom", text: "-1", value: null },
            { tag: "tail", text: "15x", value: null },
            { tag: "group separator", text: "1,502", value: null },
            { tag: "empty", text: "", value: null },
            { tag: "huge", text: "99999999999999999999", value: null }
        ]
    }

    function test_wholeNumber(data) {
        compare(Entry.wholeNumber(data.text, 0, 65535), data.value)
    }

    function test_decimalNumber_data() {
        return [
            { tag: "offset", text: " -1.5 ", value: -1.5 },
            { tag: "whole", text: "20", value: 20 },
            { tag: "above top", text: "20.5", value: null },
            { tag: "tail", text: "1.5x", value: null },
            { tag: "two points", text: "1.2.3", value: null },
            { tag: "empty", text: "", value: null }
        ]
    }

    function test_decimalNumber(data) {
        compare(Entry.decimalNumber(data.text, -20, 20), data.value)
    }

    function test_folderPath_data() {
        return [
            { tag: "windows drive", url: "file:///C:/Weather Logs", path: "C:/Weather Logs" },
            { tag: "posix", url: "file:///var/log/station", path: "/var/log/station" },
            { tag: "escaped", url: "file:///tmp/a%25b%23c", path: "/tmp/a%b#c" }
        ]
    }

    function test_folderPath(data) {
        compare(Entry.folderPath(data.url), data.path)
    }

    // The dialog opens where the path leads, and the chosen URL gives the path back.
    function test_folderUrlRoundTrip_data() {
        return [
            { tag: "windows drive", path: "C:/Weather/logs", url: "file:///C:/Weather/logs" },
            { tag: "posix", path: "/home/obs/logs", url: "file:///home/obs/logs" },
            { tag: "percent and hash", path: "/tmp/50%#1", url: "file:///tmp/50%25%231" }
        ]
    }

    function test_folderUrlRoundTrip(data) {
        compare(Entry.folderUrl(data.path), data.url)
        compare(Entry.folderPath(data.url), data.path)
    }

    function test_split_data() {
        return [
            { tag: "ten minutes", total: 600, minutes: 10, seconds: 0 },
            { tag: "ninety seconds", total: 90, minutes: 1, seconds: 30 },
            { tag: "shortest", total: 2, minutes: 0, seconds: 2 },
            { tag: "longest", total: 3600, minutes: 60, seconds: 0 },
            { tag: "just below an hour", total: 3599, minutes: 59, seconds: 59 }
        ]
    }

    function test_split(data) {
        compare(Intervals.minutes(data.total), data.minutes)
        compare(Intervals.seconds(data.total), data.seconds)
    }

    // The store takes 2 to 3600 seconds; the boxes offer 0:00 to 60:59.
    function test_storable_data() {
        return [
            { tag: "ten and a half minutes", minutes: 10, seconds: 30, total: 630 },
            { tag: "both zero", minutes: 0, seconds: 0, total: 2 },
            { tag: "one second", minutes: 0, seconds: 1, total: 2 },
            { tag: "two seconds", minutes: 0, seconds: 2, total: 2 },
            { tag: "an hour", minutes: 60, seconds: 0, total: 3600 },
            { tag: "an hour and a second", minutes: 60, seconds: 1, total: 3600 },
            { tag: "the most the boxes offer", minutes: 60, seconds: 59, total: 3600 }
        ]
    }

    function test_storable(data) {
        compare(Intervals.storable(data.minutes, data.seconds), data.total)
    }
}
