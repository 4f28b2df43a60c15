import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "HistoryFormat.js" as HistoryFormat
import "RecordsFormat.js" as RecordsFormat

// The records: one row per quantity, its value and time in each scope (all
// time, this year, this month), the dry and wet spells last.
Flickable {
    id: table

    // Read once per update: each read formats the whole table.
    readonly property var rows: Records.rows

    contentHeight: grid.implicitHeight
    clip: true
    ScrollBar.vertical: ScrollBar { }

    GridLayout {
        id: grid
        width: table.width - 12
        columns: 4
        columnSpacing: 0
        rowSpacing: 2

        Item {
            Layout.preferredWidth: 180
        }
        Repeater {
            model: RecordsFormat.scopes
            Text {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                leftPadding: 6
                text: modelData
                color: Settings.textColor
                font.pixelSize: 13
                font.bold: true
            }
        }

        Repeater {
            model: table.rows.length * 4
            Rectangle {
                readonly property var row: table.rows[Math.floor(index / 4)]
                readonly property int scope: index % 4 - 1
                Layout.fillWidth: scope >= 0
                Layout.preferredWidth: scope >= 0 ? 1 : 180
                Layout.preferredHeight: cellText.implicitHeight + 6
                Layout.fillHeight: true
                color: Math.floor(index / 4) % 2 ? HistoryFormat.translucent(Settings.textColor, 0.07)
                                                 : "transparent"
                Text {
                    id: cellText
                    objectName: "recordCell" + index
                    anchors.verticalCenter: parent.verticalCenter
                    x: 6
                    text: parent.scope < 0 ? parent.row.name
                                           : RecordsFormat.cell(parent.row.values[parent.scope],
                                                                parent.row.times[parent.scope])
                    color: Settings.textColor
                    font.pixelSize: 12
                }
            }
        }
    }
}
