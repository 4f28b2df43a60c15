import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// Where the broker is and how to log in, with a trial connection that shows
// "Connected" or the reason the broker or the system gave.
WDGroupBox {
    id: box

    // While a connection test is under way; only its result ends it.
    property bool testing: false

    title: qsTr("MQTT Broker")

    Connections {
        target: Settings
        function onTestMqttConnectionResult(result) {
            box.testing = false
            mqttTestResult.text = result
        }
    }

    GridLayout {
        anchors.fill: parent
        columns: 2
        columnSpacing: 10
        rowSpacing: 8

        WDCheckBox {
            id: mqttEnabledCheckBox
            objectName: "mqttEnabledCheckBox"
            Layout.columnSpan: 2
            text: qsTr("Publish to MQTT")
            checked: Settings.mqttEnabled
            onToggled: Settings.mqttEnabled = checked
        }

        BoxText {
            text: qsTr("Host:")
        }
        StoredInput {
            id: mqttHostInput
            objectName: "mqttHostInput"
            Layout.fillWidth: true
            stored: Settings.mqttHost
            onCommitted: Settings.mqttHost = text
        }

        BoxText {
            text: qsTr("Port:")
        }
        IntegerInput {
            id: mqttPortInput
            objectName: "mqttPortInput"
            Layout.fillWidth: true
            minimumValue: 1
            maximumValue: 65535
            stored: Settings.mqttPort
            onValueEntered: Settings.mqttPort = value
        }

        BoxText {
            text: qsTr("User name:")
        }
        StoredInput {
            id: mqttUsernameInput
            objectName: "mqttUsernameInput"
            Layout.fillWidth: true
            stored: Settings.mqttUsername
            onCommitted: Settings.mqttUsername = text
        }

        BoxText {
            text: qsTr("Password:")
        }
        StoredInput {
            id: mqttPasswordInput
            objectName: "mqttPasswordInput"
            Layout.fillWidth: true
            echoMode: TextInput.Password
            stored: Settings.mqttPassword
            onCommitted: Settings.mqttPassword = text
        }

        WDCheckBox {
            id: mqttTlsCheckBox
            objectName: "mqttTlsCheckBox"
            Layout.columnSpan: 2
            text: qsTr("TLS (the broker is checked against the system's CAs, or the CA file)")
            checked: Settings.mqttTls
            onToggled: Settings.mqttTls = checked
        }

        BoxText {
            text: qsTr("CA file:")
            enabled: mqttTlsCheckBox.checked
        }
        StoredInput {
            id: mqttCaFileInput
            objectName: "mqttCaFileInput"
            Layout.fillWidth: true
            enabled: mqttTlsCheckBox.checked
            stored: Settings.mqttCaFile
            onCommitted: Settings.mqttCaFile = text
        }

        FaceButton {
            id: mqttTestButton
            objectName: "mqttTestButton"
            textAlignment: Text.AlignLeft
            text: box.testing ? qsTr("testing") : qsTr("Test connection")
            enabled: !box.testing
            onClicked: {
                box.testing = true
                Settings.testMqttConnection()
            }
        }
        BoxText {
            id: mqttTestResult
            objectName: "mqttTestResult"
            Layout.fillWidth: true
            font.bold: true
            elide: Text.ElideRight
        }
    }
}
