import QtQuick 2.15
import QtTest 1.15
import "../../qml/settings"

// The Networks tab: each box, made from one component, writes its own
// network's keys and shows its own status line.
TestCase {
    id: testCase
    name: "NetworksPage"
    width: 800
    height: 700
    visible: true
    when: windowShown

    Component {
        id: pageComponent
        NetworksPage {
            anchors.fill: parent
        }
    }

    function cleanup() {
        Settings.reset()
        ModbusPort.services = {}
    }

    function enter(page, name, text) {
        var field = findChild(page, name)
        verify(field, "no item " + name)
        field.text = text
        field.editingFinished()
    }

    function test_eachBoxWritesItsOwnKeys_data() {
        return [
            { tag: "cwop", id: "cwopStationId", secret: "cwopPasscode", endpoint: "cwopServer" },
            { tag: "windy", id: "windyStationId", secret: "windyPassword", endpoint: "windyUrl" },
            { tag: "pws", id: "pwsStationId", secret: "pwsPassword", endpoint: "pwsUrl" },
            { tag: "wow", id: "wowSiteId", secret: "wowAuthKey", endpoint: "wowUrl" },
        ]
    }

    function test_eachBoxWritesItsOwnKeys(data) {
        var page = createTemporaryObject(pageComponent, testCase)
        var p = data.tag
        compare(findChild(page, p + "Status").text, "Off")
        enter(page, p + "IdInput", "ID-" + p)
        enter(page, p + "SecretInput", "secret-" + p)
        enter(page, p + "IntervalInput", "30")
        enter(page, p + "EndpointInput", "http://127.0.0.1:9/" + p)
        mouseClick(findChild(page, p + "EnabledCheckBox"))
        compare(Settings[data.id], "ID-" + p)
        compare(Settings[data.secret], "secret-" + p)
        compare(Settings[p + "IntervalMinutes"], 30)
        compare(Settings[data.endpoint], "http://127.0.0.1:9/" + p)
        verify(Settings[p + "Enabled"])

        var status = {}
        status[p] = "Last upload 12:00: accepted"
        ModbusPort.services = { "networks": status }
        compare(findChild(page, p + "Status").text, "Last upload 12:00: accepted")
    }

    function test_positionTakesDecimalDegreesWithinRange() {
        var page = createTemporaryObject(pageComponent, testCase)
        enter(page, "latitudeInput", "-33.865")
        enter(page, "longitudeInput", "151.209")
        compare(Settings.stationLatitude, -33.865)
        compare(Settings.stationLongitude, 151.209)
        enter(page, "longitudeInput", "181")
        compare(Settings.stationLongitude, 151.209)
    }
}
