import QtQuick 2.15
import QtTest 1.15
import "../../qml/history/RecordsFormat.js" as RecordsFormat

// The records page's names of report periods and its cells.
TestCase {
    name: "RecordsFormat"

    function test_periodName_data() {
        return [
            { tag: "year", period: "2026", name: "Year 2026" },
            { tag: "month", period: "2026-11", name: "November 2026" },
            { tag: "january", period: "2027-01", name: "January 2027" },
            { tag: "no such month", period: "2026-13", name: "2026-13" },
            { tag: "not a period", period: "notes", name: "notes" }
        ]
    }

    function test_periodName(data) {
        compare(RecordsFormat.periodName(data.period), data.name)
    }

    function test_cell() {
        compare(RecordsFormat.cell("38.2 °C", "2026-07-14 15:32"), "38.2 °C\n2026-07-14 15:32")
        compare(RecordsFormat.cell("", ""), "—")
    }
}
