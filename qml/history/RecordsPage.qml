import QtQuick 2.15
import QtQuick.Layouts 1.15

// The records page beside the graphs: the table of records, or the climate
// reports, with what the records are doing (read, rebuilt, off).
ColumnLayout {
    id: page

    property bool showReports: false

    spacing: 6

    RowLayout {
        spacing: 6

        HistoryButton {
            objectName: "recordsTableButton"
            text: qsTr("Records")
            checked: !page.showReports
            onClicked: page.showReports = false
        }
        HistoryButton {
            objectName: "climateReportsButton"
            text: qsTr("Climate reports")
            checked: page.showReports
            onClicked: page.showReports = true
        }
        Text {
            objectName: "recordsStatusText"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignRight
            text: Settings.recordsEnabled ? Records.status : qsTr("Records off")
            color: Settings.textColor
            font.pixelSize: 12
            elide: Text.ElideLeft
        }
    }

    RecordsTable {
        objectName: "recordsTable"
        Layout.fillWidth: true
        Layout.fillHeight: true
        visible: !page.showReports
    }

    ClimateReport {
        objectName: "climateReport"
        Layout.fillWidth: true
        Layout.fillHeight: true
        visible: page.showReports
    }
}
