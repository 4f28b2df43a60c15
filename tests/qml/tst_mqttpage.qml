import QtQuick 2.15
import QtTest 1.15
import "../../qml/settings"

// The MQTT tab of a build without the broker client keeps nothing to fill
// in and says why.
TestCase {
    id: testCase
    name: "MqttPage"
    width: 800
    height: 600
    visible: true
    when: windowShown

    Component {
        id: pageComponent
        MqttPage {
            anchors.fill: parent
        }
    }

    function cleanup() {
        Settings.reset()
    }

    function item(page, name) {
        var found = findChild(page, name)
        verify(found, "no item " + name)
        return found
    }

    function test_withoutBrokerClient() {
        var page = createTemporaryObject(pageComponent, testCase)
        verify(item(page, "mqttBrokerBox").visible)
        verify(item(page, "mqttTopicsBox").visible)
        verify(!item(page, "mqttUnavailableText").visible)

        Settings.mqttAvailable = false
        verify(!item(page, "mqttBrokerBox").visible)
        verify(!item(page, "mqttTopicsBox").visible)
        var notice = item(page, "mqttUnavailableText")
        verify(notice.visible)
        compare(notice.text, "MQTT is not available in this build.")
    }
}
