import QtQuick 2.15

// Stands in for the settings object: only what the interface reads, with
// counters for the calls a test wants to see.
QtObject {
    property int viewMode: 0
    property string temperatureUnits: "°C"
    property string pressureUnits: "mbar"
    property string speedUnits: "mph"
    property int speedRangeHigh: 100
    // A short poll period keeps the banner tests quick.
    property int updateTime: 20
    property int runwayAngle: -99

    property string backgroundColor: "#000000"
    property string textColor: "#FFFFFF"
    property string needleColor2: "#FFEE99"
    property string needleColor3: "#99FF99"
    property string redColor: "#FF9999"
    property string blueColor: "#9999FF"
    property string shadowColor: "#A99999FF"

    property bool settingsLocked: false
    property string lockPassword: ""
    property string serialPort: "COM7"
    property string modbusIP: "10.1.2.3"
    property int modbusPort: 1502
    property int gatewayPort: 1502

    property int portScans: 0
    property var passwordsTried: []

    // What the settings pages read and write.
    property string version: "0.8.0"
    property int temperatureIndex: 0
    property int pressureIndex: 0
    property int speedIndex: 0
    property int pressureAdjustment: 0
    property var portsList: ["COM1", "COM7"]
    property int baudRate: 19200
    property int readMode: 0
    property int modbusID: 1
    property string modbusServerIP: "192.0.2.10"
    property int serialNumber: 0
    property bool logEnabled: false
    property int updateLogSeconds: 600
    property string logPath: "/tmp"
    property string logPrefix: "logfile-"
    property bool debugLogEnabled: false
    property bool archiveEnabled: true
    property bool recordsEnabled: true
    property real degreeDayBase: 18.3
    property string settingsLockPassword: ""
    property string password: ""
    property int quorinLiveMinutes: 10
    property string wuUsername: ""
    property string wuPassword: ""
    property int credentialTests: 0
    property bool mqttEnabled: false
    property string mqttHost: ""
    property int mqttPort: 1883
    property string mqttUsername: ""
    property string mqttPassword: ""
    property bool mqttTls: false
    property string mqttCaFile: ""
    property string mqttBaseTopic: "skyquill"
    property int mqttIntervalSeconds: 10
    property bool mqttDiscovery: true
    property string mqttDiscoveryPrefix: "homeassistant"
    property bool mqttAvailable: true
    property int mqttTests: 0
    property real stationLatitude: 0
    property real stationLongitude: 0
    property bool cwopEnabled: false
    property string cwopStationId: ""
    property string cwopPasscode: "-1"
    property string cwopServer: "cwop.aprs.net:14580"
    property int cwopIntervalMinutes: 10
    property bool windyEnabled: false
    property string windyStationId: ""
    property string windyPassword: ""
    property string windyUrl: "https://stations.windy.com/api/v2/observation/update"
    property int windyIntervalMinutes: 5
    property bool pwsEnabled: false
    property string pwsStationId: ""
    property string pwsPassword: ""
    property string pwsUrl: "https://www.pwsweather.com/pwsupdate/pwsupdate.php"
    property int pwsIntervalMinutes: 5
    property bool wowEnabled: false
    property string wowSiteId: ""
    property string wowAuthKey: ""
    property string wowUrl: "https://wow.metoffice.gov.uk/automaticreading"
    property int wowIntervalMinutes: 10
    property double calTemperatureOffset: 0
    property double calHumidityOffset: 0
    property double calPressureOffset: 0
    property double calWindMultiplier: 1
    property double calRainMultiplier: 1
    property double calSolarMultiplier: 1
    property bool qualityChecks: true
    property var alarms: []
    property int dataStoppedAlarmSeconds: 60
    property bool alarmEmailEnabled: false
    property string smtpHost: ""
    property int smtpPort: 587
    property string smtpSecurity: "starttls"
    property string smtpUsername: ""
    property string smtpPassword: ""
    property string smtpFrom: ""
    property string smtpTo: ""
    property bool alarmDesktopNotifications: true
    property string alarmCommand: ""
    property bool emailAvailable: true
    property int alarmTests: 0
    property bool webEnabled: true
    property int webPort: 8080
    property string webBindAddress: ""

    signal unitsChanged
    signal testCredentialsResult(bool result)
    signal testCredentialsUnreachable(string reason)
    signal testMqttConnectionResult(string result)
    signal settingsLockRefused(string message)

    // Like the real one, refuses some passwords while the property is set.
    onSettingsLockPasswordChanged: {
        if (settingsLockPassword === "refused")
            settingsLockRefused("Pick again")
    }

    function getTemperatureUnits() {
        return temperatureIndex
    }
    function setTemperatureUnits(units) {
        temperatureIndex = units
        unitsChanged()
    }
    function getPressureUnits() {
        return pressureIndex
    }
    function setPressureUnits(units) {
        pressureIndex = units
        unitsChanged()
    }
    function getSpeedUnits() {
        return speedIndex
    }
    function setSpeedUnits(units) {
        speedIndex = units
        unitsChanged()
    }
    function getPressureAdjustment() {
        return pressureAdjustment
    }
    function setPressureAdjustment(adjustment) {
        pressureAdjustment = adjustment
        unitsChanged()
    }
    function changeTheme() {
    }
    function setSerialPort(port) {
        serialPort = port
    }
    function pathExists(path) {
        return path === logPath
    }
    function portExists(port) {
        return portsList.indexOf(port) >= 0
    }
    function clearSettingsLock() {
        settingsLocked = false
    }
    function testCredentials() {
        ++credentialTests
    }
    function testMqttConnection() {
        ++mqttTests
    }
    function sendTestNotification() {
        ++alarmTests
    }

    function getSerialPort() {
        return serialPort
    }
    function testSettingsLock(password) {
        passwordsTried.push(password)
        return password === lockPassword
    }
    function getAvailablePorts() {
        ++portScans
    }

    // Every test starts from the values above.
    property var initial: ({})
    function reset() {
        for (var key in initial)
            this[key] = initial[key]
        passwordsTried = []
    }
    Component.onCompleted: {
        for (var key in this) {
            if (typeof this[key] !== "function" && key !== "initial" && key !== "objectName")
                initial[key] = this[key]
        }
    }
}
