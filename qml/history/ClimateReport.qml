import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "RecordsFormat.js" as RecordsFormat

// The monthly and yearly climate reports, as `--report` prints them and the
// console writes them into the reports folder: a period, then its text.
ColumnLayout {
    id: reports

    // Read once per update: each read lists the reports folder.
    readonly property var files: Records.reports
    property string period: files.length > 0 ? files[0] : ""

    function show() {
        reportText.text = period ? Records.report(period) : ""
    }

    onPeriodChanged: show()
    Component.onCompleted: show()
    Connections {
        target: Records
        function onUpdated() {
            if (reports.visible)
                reports.show()
        }
    }
    onVisibleChanged: if (visible) show()

    ComboBox {
        id: periodBox
        objectName: "reportPeriodBox"
        Layout.preferredWidth: 200
        model: reports.files
        displayText: RecordsFormat.periodName(currentText)
        delegate: ItemDelegate {
            width: periodBox.width
            text: RecordsFormat.periodName(modelData)
        }
        onActivated: reports.period = reports.files[index]
    }

    ScrollView {
        Layout.fillWidth: true
        Layout.fillHeight: true
        clip: true

        Text {
            id: reportText
            objectName: "reportText"
            text: ""
            color: Settings.textColor
            font.family: RecordsFormat.monospace(Qt.platform.os)
            font.pixelSize: 12
        }
    }

    Text {
        objectName: "noReportText"
        visible: reports.files.length === 0
        text: qsTr("No report yet: the archive holds no minutes.")
        color: Settings.textColor
        font.pixelSize: 13
    }
}
