import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// The settings lock. Ticking the box proposes the default password; the lock
// is stored only when the password field is confirmed, and it covers the
// settings from the next opening of the window on. Unticking clears it. The
// box is ticked only while a lock is stored.
WDGroupBox {
    id: lockSetting

    property alias resultText: passwordResult.text
    // A lock asked for and not yet stored: the password row is open.
    property bool proposing: false

    // When the settings window is shown: clears the "Password saved" note and
    // drops a proposal that was left unconfirmed.
    function refresh() {
        passwordResult.text = ""
        proposing = false
        passwordInput.text = ""
    }

    title: qsTr("Lock Settings")
    centredTitle: true
    width: 360
    height: 120

    Connections {
        target: Settings
        function onSettingsLockRefused(message) {
            passwordResult.text = message
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 4

        WDCheckBox {
            id: lockEnabledCheckBox
            objectName: "lockEnabledCheckBox"
            text: qsTr("Enable Settings Lock")
            checked: Settings.settingsLocked
            onToggled: {
                lockSetting.proposing = checked
                if (checked)
                    passwordInput.text = "KelmorTX"
                else
                    Settings.clearSettingsLock()
                // The click asked; what is stored answers.
                checked = Qt.binding(function() { return Settings.settingsLocked })
            }
        }

        RowLayout {
            id: rowBox
            objectName: "rowBox"
            Layout.fillWidth: true
            spacing: 10
            enabled: lockEnabledCheckBox.checked || lockSetting.proposing

            BoxText {
                text: qsTr("Password:")
            }

            BoxedInput {
                id: passwordInput
                objectName: "passwordInput"
                Layout.fillWidth: true
                onEditingFinished: {
                    if (text === "")
                        return
                    // Said first: a refusal, signalled while storing, replaces it.
                    passwordResult.text = qsTr("Password saved")
                    Settings.settingsLockPassword = text
                    text = ""
                    lockSetting.proposing = false
                }
            }

            BoxText {
                id: passwordResult
                objectName: "passwordResult"
            }
        }
    }
}
