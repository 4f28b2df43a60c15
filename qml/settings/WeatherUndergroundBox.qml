import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// The Weather Underground station credentials, which the portal forwards.
WDGroupBox {
    id: box

    title: qsTr("Weather Underground")

    GridLayout {
        anchors.fill: parent
        columns: 2
        columnSpacing: 10
        rowSpacing: 8

        HelpText {
            id: wuHelpLabel
            objectName: "wuHelpLabel"
            Layout.columnSpan: 2
            Layout.fillWidth: true
            text: qsTr("Users may create an account on "
                       + "<a href=\"https://www.wunderground.com/\">www.wunderground.com</a>"
                       + " and register a weather station (Device). QuorinLive must be "
                       + "configured for the Weather Underground connection to function.")
        }

        BoxText {
            text: qsTr("Station ID:")
        }
        StoredInput {
            id: wuUsernameInput
            objectName: "wuUsernameInput"
            Layout.fillWidth: true
            stored: Settings.wuUsername
            onCommitted: Settings.wuUsername = text
        }

        BoxText {
            text: qsTr("User Password:")
        }
        StoredInput {
            id: wuPasswordInput
            objectName: "wuPasswordInput"
            Layout.fillWidth: true
            stored: Settings.wuPassword
            onCommitted: Settings.wuPassword = text
        }
    }
}
