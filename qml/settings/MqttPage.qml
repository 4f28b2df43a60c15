import QtQuick 2.15

// Settings tab 5: publishing to an MQTT broker, with Home Assistant discovery.
SettingsPage {
    id: mqttPage

    Column {
        anchors.centerIn: parent
        spacing: 20

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
}
