import QtQuick 2.15
import "../controls"

// Settings tab 5: publishing to an MQTT broker, with Home Assistant discovery.
SettingsPage {
    id: mqttPage

    Column {
        anchors.centerIn: parent
        spacing: 20
        visible: Settings.mqttAvailable

        MqttBrokerBox {
            id: mqttBrokerBox
            objectName: "mqttBrokerBox"
            width: 560
        }

        MqttTopicsBox {
            id: mqttTopicsBox
            objectName: "mqttTopicsBox"
            width: 560
        }
    }

    // A build without the broker client keeps the keys but cannot publish.
    HelpText {
        objectName: "mqttUnavailableText"
        anchors.centerIn: parent
        width: 560
        horizontalAlignment: Text.AlignHCenter
        visible: !Settings.mqttAvailable
        text: qsTr("MQTT is not available in this build.")
    }
}
