import QtQuick 2.15

// Settings tab 4: the live portal upload and the Weather Underground
// credentials that the portal forwards.
SettingsPage {
    id: webPortalPage

    Column {
        anchors.centerIn: parent
        spacing: 20

        PortalBox {
            id: groupBoxCredentials
            objectName: "groupBoxCredentials"
            width: 730
        }

        WeatherUndergroundBox {
            id: groupBoxWeatherUnderground
            objectName: "groupBoxWeatherUnderground"
            width: 730
        }
    }
}
