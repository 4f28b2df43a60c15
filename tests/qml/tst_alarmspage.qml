import QtQuick 2.15
import QtTest 1.15
import "../../qml/settings"

// The Alarms tab: thresholds entered in the display units are stored in base
// units and shown back with each alarm's state; e-mail says when the build
// lacks it.
TestCase {
    id: testCase
    name: "AlarmsPage"
    width: 800
    height: 680
    visible: true
    when: windowShown

    Component {
        id: pageComponent
        AlarmsPage {
            anchors.fill: parent
        }
    }

    function cleanup() {
        Settings.reset()
        ModbusPort.reset()
    }

    function item(page, name) {
        var found = findChild(page, name)
        verify(found, "no item " + name)
        return found
    }

    function test_alarmEnteredInDisplayUnits() {
        ModbusPort.services = { alarms: { raised: 1,
            alarms: [{ name: "Heat", slug: "heat", raised: true, problem: "" }],
            quantities: [{ key: "temperature_c", name: "Temperature", unit: "°F", scale: 1.8,
                offset: 32, decimals: 1 }] } }
        var page = createTemporaryObject(pageComponent, testCase)
        mouseClick(item(page, "addAlarmButton"))
        verify(item(page, "alarmEditor").visible)
        item(page, "alarmNameInput").text = "Heat"
        item(page, "alarmThresholdInput").text = "86"
        item(page, "alarmClearInput").text = "82.4"
        mouseClick(item(page, "saveAlarmButton"))

        compare(Settings.alarms.length, 1)
        var stored = Settings.alarms[0]
        compare(stored.Quantity, "temperature_c")
        compare(stored.Condition, "above")
        fuzzyCompare(Number(stored.Threshold), 30, 1e-9)
        fuzzyCompare(Number(stored.Clear), 28, 1e-9)
        compare(stored.Consecutive, "3")
        var list = item(page, "alarmList")
        tryCompare(list, "count", 1)
        verify(findChild(list, "alarmState").text.indexOf("Raised") === 0)

        mouseClick(list.itemAtIndex(0))
        mouseClick(item(page, "removeAlarmButton"))
        compare(Settings.alarms.length, 0)
    }

    function test_emailMissingFromTheBuild() {
        var page = createTemporaryObject(pageComponent, testCase)
        verify(item(page, "smtpHostInput").visible)
        Settings.emailAvailable = false
        verify(!item(page, "smtpHostInput").visible)
        compare(item(page, "emailUnavailableText").text, "E-mail is not available in this build")
        mouseClick(item(page, "testNotificationButton"))
        compare(Settings.alarmTests, 1)
    }
}
