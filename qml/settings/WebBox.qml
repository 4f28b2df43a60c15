import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// The console's own web pages: whether they are served, on which port and
// address, and what the server says: where to find them, or why it cannot
// serve and what to do about it.
WDGroupBox {
    id: box

    // The server's last report: "serving", "state" and "hint".
    readonly property var report: (ModbusPort.services || {}).web || {}

    title: qsTr("Web")

    ColumnLayout {
        anchors.fill: parent
        spacing: 4

        BoxText {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: qsTr("Phones, tablets and other computers on the LAN may show the live "
                       + "weather, its history and metrics in a web browser.")
        }

        WDCheckBox {
            id: webEnabledCheckBox
            objectName: "webEnabledCheckBox"
            text: qsTr("Serve web pages")
            checked: Settings.webEnabled
            onToggled: Settings.webEnabled = checked
        }

        GridLayout {
            columns: 2
            columnSpacing: 10
            rowSpacing: 2
            enabled: Settings.webEnabled

            BoxText {
                text: qsTr("Port:")
            }
            IntegerInput {
                id: webPortInput
                objectName: "webPortInput"
                Layout.preferredWidth: 80
                minimumValue: 1
                maximumValue: 65535
                stored: Settings.webPort
                onValueEntered: Settings.webPort = value
            }

            BoxText {
                text: qsTr("Bind address:")
            }
            StoredInput {
                id: webBindAddressInput
                objectName: "webBindAddressInput"
                Layout.preferredWidth: 200
                stored: Settings.webBindAddress
                onCommitted: Settings.webBindAddress = text
            }
        }

        BoxText {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: qsTr("Leave the bind address empty to serve on every interface; "
                       + "127.0.0.1 keeps the pages on this computer.")
        }

        BoxText {
            id: webStateText
            objectName: "webStateText"
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            font.bold: true
            color: box.report.serving || !Settings.webEnabled ? Settings.textColor
                                                              : Settings.redColor
            text: box.report.state || ""
        }

        BoxText {
            objectName: "webHintText"
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            visible: text !== ""
            text: box.report.hint || ""
        }
    }
}
