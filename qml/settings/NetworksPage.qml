import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"
import "Entry.js" as Entry

// Settings tab 6: the weather networks the station is shared with, and the
// station's position, which CWOP needs.
SettingsPage {
    id: networksPage

    ColumnLayout {
        anchors.centerIn: parent
        width: 740
        spacing: 12

        WDGroupBox {
            objectName: "stationPositionBox"
            Layout.fillWidth: true
            title: qsTr("Station Position")

            RowLayout {
                anchors.fill: parent
                spacing: 10

                BoxText {
                    text: qsTr("Latitude (north +):")
                }
                StoredInput {
                    objectName: "latitudeInput"
                    Layout.fillWidth: true
                    validator: DoubleValidator {
                        bottom: -90
                        top: 90
                        notation: DoubleValidator.StandardNotation
                        locale: "C"
                    }
                    stored: Settings.stationLatitude
                    onCommitted: {
                        var degrees = Entry.decimalNumber(text, -90, 90)
                        if (degrees !== null)
                            Settings.stationLatitude = degrees
                    }
                }
                BoxText {
                    text: qsTr("Longitude (east +):")
                }
                StoredInput {
                    objectName: "longitudeInput"
                    Layout.fillWidth: true
                    validator: DoubleValidator {
                        bottom: -180
                        top: 180
                        notation: DoubleValidator.StandardNotation
                        locale: "C"
                    }
                    stored: Settings.stationLongitude
                    onCommitted: {
                        var degrees = Entry.decimalNumber(text, -180, 180)
                        if (degrees !== null)
                            Settings.stationLongitude = degrees
                    }
                }
            }
        }

        GridLayout {
            Layout.fillWidth: true
            columns: 2
            columnSpacing: 12
            rowSpacing: 12

            NetworkBox {
                objectName: "cwopBox"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                title: qsTr("CWOP")
                prefix: "cwop"
                secretProperty: "cwopPasscode"
                endpointProperty: "cwopServer"
                secretLabel: qsTr("Passcode:")
                minimumMinutes: 5
            }
            NetworkBox {
                objectName: "windyBox"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                title: qsTr("Windy")
                prefix: "windy"
            }
            NetworkBox {
                objectName: "pwsBox"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                title: qsTr("PWSweather")
                prefix: "pws"
            }
            NetworkBox {
                objectName: "wowBox"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                title: qsTr("WOW")
                prefix: "wow"
                idProperty: "wowSiteId"
                secretProperty: "wowAuthKey"
                idLabel: qsTr("Site ID:")
                secretLabel: qsTr("PIN:")
            }
        }
    }
}
