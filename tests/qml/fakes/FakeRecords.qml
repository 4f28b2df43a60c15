import QtQuick 2.15

// Stands in for the records: a table of two rows, the periods of two
// reports, and a counter for "Rebuild records".
QtObject {
    property var rows: [
        { name: "Highest temperature", values: ["38.2 °C", "31.0 °C", ""],
            times: ["2026-07-14 15:32", "2026-01-20 14:02", ""] },
        { name: "Longest dry spell", values: ["12 days", "5 days", "2 days"],
            times: ["2026-06-01 to 2026-06-12", "2026-11-02 to 2026-11-06", ""] }
    ]
    property var reports: ["2026", "2026-11"]
    property string status: "Records from 1440 minutes"
    property bool ready: true
    property int rebuilds: 0

    signal updated

    function rebuild() { rebuilds++ }
    function report(period) { return "REPORT " + period }
}
