import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// What is published and how often: the topic everything goes under, the
// state interval, and the Home Assistant discovery configs.
WDGroupBox {
    id: box

    title: qsTr("Topics")

    GridLayout {
        anchors.fill: parent
        columns: 3
        columnSpacing: 10
        rowSpacing: 8

        BoxText {
            text: qsTr("Base topic:")
        }
        StoredInput {
            id: mqttBaseTopicInput
            objectName: "mqttBaseTopicInput"
            Layout.columnSpan: 2
            Layout.fillWidth: true
            stored: Settings.mqttBaseTopic
            onCommitted: Settings.mqttBaseTopic = text
        }

        BoxText {
            text: qsTr("Interval:")
        }
        StoredSpinBox {
            id: mqttIntervalSpinBox
            objectName: "mqttIntervalSpinBox"
            from: 1
            to: 3600
            stored: Settings.mqttIntervalSeconds
            onValueModified: {
                Settings.mqttIntervalSeconds = value
                restore()
            }
        }
        BoxText {
            Layout.fillWidth: true
            text: qsTr(" seconds")
        }

        WDCheckBox {
            id: mqttDiscoveryCheckBox
            objectName: "mqttDiscoveryCheckBox"
            Layout.columnSpan: 3
            text: qsTr("Home Assistant discovery")
            checked: Settings.mqttDiscovery
            onToggled: Settings.mqttDiscovery = checked
        }

        BoxText {
            text: qsTr("Discovery prefix:")
            enabled: mqttDiscoveryCheckBox.checked
        }
        StoredInput {
            id: mqttDiscoveryPrefixInput
            objectName: "mqttDiscoveryPrefixInput"
            Layout.columnSpan: 2
            Layout.fillWidth: true
            enabled: mqttDiscoveryCheckBox.checked
            stored: Settings.mqttDiscoveryPrefix
            onCommitted: Settings.mqttDiscoveryPrefix = text
        }
    }
}
