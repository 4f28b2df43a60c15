import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// What the portal upload needs: the station's identity and key, a test of
// both, the upload interval and when the portal last took an upload.
WDGroupBox {
    id: box

    // While a credential test is under way; only its result ends it.
    property bool testing: false
    // What happened instead of a verdict on the credentials, for the result
    // that follows.
    property string unreachable: ""

    title: qsTr("QuorinLive Settings")

    Connections {
        target: Settings
        function onTestCredentialsUnreachable(reason) {
            box.unreachable = reason
        }
        function onTestCredentialsResult(result) {
            console.log("testCredentialsResult: " + (result ? "true" : "false"))
            box.testing = false
            if (result)
                testResult.text = qsTr("Success")
            else if (box.unreachable !== "")
                testResult.text = box.unreachable
            else
                testResult.text = qsTr("Invalid credentials")
            box.unreachable = ""
        }
    }

    GridLayout {
        anchors.fill: parent
        columns: 2
        columnSpacing: 10
        rowSpacing: 8

        HelpText {
            objectName: "portalHelpLabel"
            Layout.columnSpan: 2
            Layout.fillWidth: true
            text: qsTr("Skyquill can upload weather data to the QuorinLive real-time webportal. "
                       + "Contact <a href=\"mailto:support@quorin.example\">support@quorin.example</a>"
                       + " for a QuorinLive access key and to register a portal administrator. "
                       + "The admin user can then provide controlled or public access to the "
                       + "weather station page.")
        }

        BoxText {
            text: qsTr("Serial Number:")
        }
        BoxText {
            id: serialNumberLabel
            objectName: "serialNumberLabel"
            font.pixelSize: 15
            text: Settings.serialNumber
        }

        BoxText {
            text: qsTr("Key:")
        }
        StoredInput {
            id: passwordTextInput
            objectName: "passwordTextInput"
            Layout.fillWidth: true
            stored: Settings.password
            onCommitted: Settings.password = text
        }

        FaceButton {
            id: testButton
            objectName: "testButton"
            textAlignment: Text.AlignLeft
            text: box.testing ? qsTr("testing") : qsTr("Test credentials")
            enabled: !box.testing
            onClicked: {
                box.testing = true
                Settings.testCredentials()
            }
        }
        BoxText {
            id: testResult
            objectName: "testResult"
            font.bold: true
        }

        BoxText {
            Layout.columnSpan: 2
            text: qsTr("Interval (10 min recommended):")
        }

        StoredSpinBox {
            id: quorinLiveMinutesSpinBox
            objectName: "quorinLiveMinutesSpinBox"
            from: 1
            to: 60
            stored: Settings.quorinLiveMinutes
            onValueModified: {
                Settings.quorinLiveMinutes = value
                restore()
            }
        }
        BoxText {
            text: qsTr(" minutes ")
        }

        BoxText {
            text: qsTr("Last Upload:")
        }
        BoxText {
            id: lastQuorinLiveText
            objectName: "lastQuorinLiveText"
            font.bold: true
            text: ModbusPort.lastQuorinLive
        }
    }
}
