import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// How a person is told of an alarm: e-mail over SMTP (where the build has
// it), the desktop, a command; a test through all of them, and how the last
// e-mail went.
WDGroupBox {
    id: box

    property var report: ({})

    title: qsTr("Notifications")

    GridLayout {
        anchors.fill: parent
        columns: 4
        columnSpacing: 10
        rowSpacing: 6

        WDCheckBox {
            objectName: "alarmEmailCheckBox"
            Layout.columnSpan: 4
            visible: Settings.emailAvailable
            text: qsTr("Send e-mail")
            checked: Settings.alarmEmailEnabled
            onToggled: Settings.alarmEmailEnabled = checked
        }
        BoxText {
            objectName: "emailUnavailableText"
            Layout.columnSpan: 4
            visible: !Settings.emailAvailable
            text: qsTr("E-mail is not available in this build")
        }

        BoxText {
            text: qsTr("SMTP server:")
            visible: Settings.emailAvailable
        }
        StoredInput {
            objectName: "smtpHostInput"
            Layout.fillWidth: true
            visible: Settings.emailAvailable
            stored: Settings.smtpHost
            onCommitted: Settings.smtpHost = text
        }
        BoxText {
            text: qsTr("Port:")
            visible: Settings.emailAvailable
        }
        IntegerInput {
            objectName: "smtpPortInput"
            Layout.preferredWidth: 70
            visible: Settings.emailAvailable
            minimumValue: 1
            maximumValue: 65535
            stored: Settings.smtpPort
            onValueEntered: Settings.smtpPort = value
        }

        BoxText {
            text: qsTr("Security:")
            visible: Settings.emailAvailable
        }
        RowLayout {
            Layout.columnSpan: 3
            visible: Settings.emailAvailable
            spacing: 10

            Repeater {
                model: [["starttls", qsTr("STARTTLS")], ["tls", qsTr("TLS")],
                    ["none", qsTr("None")]]

                WDRadioButton {
                    objectName: "smtpSecurity_" + modelData[0]
                    text: modelData[1]
                    topPadding: 0
                    bottomPadding: 0
                    checked: Settings.smtpSecurity === modelData[0]
                    onClicked: Settings.smtpSecurity = modelData[0]
                }
            }
        }

        BoxText {
            text: qsTr("User name:")
            visible: Settings.emailAvailable
        }
        StoredInput {
            objectName: "smtpUsernameInput"
            Layout.fillWidth: true
            visible: Settings.emailAvailable
            stored: Settings.smtpUsername
            onCommitted: Settings.smtpUsername = text
        }
        BoxText {
            text: qsTr("Password:")
            visible: Settings.emailAvailable
        }
        StoredInput {
            objectName: "smtpPasswordInput"
            Layout.fillWidth: true
            visible: Settings.emailAvailable
            echoMode: TextInput.Password
            stored: Settings.smtpPassword
            onCommitted: Settings.smtpPassword = text
        }

        BoxText {
            text: qsTr("From:")
            visible: Settings.emailAvailable
        }
        StoredInput {
            objectName: "smtpFromInput"
            Layout.fillWidth: true
            visible: Settings.emailAvailable
            stored: Settings.smtpFrom
            onCommitted: Settings.smtpFrom = text
        }
        BoxText {
            text: qsTr("To:")
            visible: Settings.emailAvailable
        }
        StoredInput {
            objectName: "smtpToInput"
            Layout.fillWidth: true
            visible: Settings.emailAvailable
            stored: Settings.smtpTo
            onCommitted: Settings.smtpTo = text
        }

        WDCheckBox {
            objectName: "alarmDesktopCheckBox"
            Layout.columnSpan: 4
            text: qsTr("Notify on the desktop")
            checked: Settings.alarmDesktopNotifications
            onToggled: Settings.alarmDesktopNotifications = checked
        }

        BoxText {
            text: qsTr("Command:")
        }
        StoredInput {
            objectName: "alarmCommandInput"
            Layout.fillWidth: true
            Layout.columnSpan: 3
            stored: Settings.alarmCommand
            onCommitted: Settings.alarmCommand = text
        }

        FaceButton {
            objectName: "testNotificationButton"
            Layout.columnSpan: 2
            text: qsTr("Send test notification")
            onClicked: Settings.sendTestNotification()
        }
        BoxText {
            objectName: "emailStatusText"
            Layout.columnSpan: 2
            Layout.fillWidth: true
            font.bold: true
            elide: Text.ElideRight
            text: box.report.email || ""
        }
    }
}
