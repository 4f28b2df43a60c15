import QtQuick 2.15

// Stands in for the acquisition object: the properties the dashboards bind
// to, the two link-failure signals, and counters for start() and quit().
QtObject {
    property string linkFailureText: ""
    property var services: ({})
    property bool hasReading: true
    property real airTemp: 0
    property real airTempH: -10000
    property real airTempL: 10000
    property real dewPoint: 0
    property real humidity: 0
    property real humidityH: -10000
    property real humidityL: 10000
    property real pressure: 0
    property real pressureH: -10000
    property real pressureL: 10000
    property string pressureTrendText: ""
    property real pressureRaw: 0
    property real altimeter: 0
    property real highAltimeter: -10000
    property real lowAltimeter: 10000
    property real altimeterRaw: 0
    property real wind: 0
    property real windDir: 0
    property real wind2: 0
    property real windDir2: 0
    property real wind10: 0
    property real windDir10: 0
    property real windGust: 0
    property real windDirGust: 0
    property int rainUnits: 1
    property real rainDay: 0
    property real rainRate: 0
    property real heatIndex: -999
    property real windChill: -999
    property real wbgt: -999
    property real humidex: -999
    property string wbgtColor: "#9999FF"
    property real solarRadiation: -1
    property string metar: "METAR"
    property real densityAltitude: 0
    property real estimatedCloudBase: 0

    // What the settings pages show.
    property var recentClients: []
    property string deviceSerialNumber: ""
    property string lastQuorinLive: "Never"
    property bool gatewayListening: true
    property string gatewayState: "Listening on port 1502"
    property string gatewayHint: ""

    property int starts: 0
    property int quits: 0

    signal dataReceived
    signal openPortFailed
    signal openSocketFailed

    function start() {
        ++starts
    }
    function quit() {
        ++quits
    }

    // Every test starts from the values above.
    property var initial: ({})
    function reset() {
        for (var key in initial)
            this[key] = initial[key]
    }
    Component.onCompleted: {
        for (var key in this) {
            if (typeof this[key] !== "function" && key !== "initial" && key !== "objectName")
                initial[key] = this[key]
        }
    }
}
