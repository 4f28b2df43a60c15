import QtQuick 2.15
import QtTest 1.15
import "../../qml/dashboard"

// Both dashboards against the stand-ins: texts, hidden rows, needles, runway,
// the transfer icon and the "No Data Connection" banner.
TestCase {
    id: testCase
    name: "Dashboard"
    width: 800
    height: 700
    visible: true
    when: windowShown

    Component {
        id: standardComponent
        StandardPage {}
    }
    Component {
        id: aviationComponent
        AviationPage {}
    }
    SignalSpy {
        id: settingsSpy
        signalName: "showSettings"
    }

    property var page

    function init() {
        Settings.reset()
        ModbusPort.reset()
    }

    function show(component) {
        page = createTemporaryObject(component, testCase)
        verify(page)
        return page
    }

    function item(name) {
        var found = findChild(page, name)
        verify(found, "no item " + name)
        return found
    }

    function text(name) {
        return item(name).text
    }

    // Angles in [0, 360), the form the spring animation settles in.
    function normalised(angle) {
        return ((angle % 360) + 360) % 360
    }

    function settlesAt(name, angle) {
        var target = normalised(angle)
        var needle = item(name)
        tryVerify(function() {
            var d = Math.abs(normalised(needle.rotation) - target)
            return Math.min(d, 360 - d) < 0.01
        }, 5000, name + " should settle at " + angle + ", is at " + needle.rotation)
    }

    function test_temperatureBox() {
        show(standardComponent)
        ModbusPort.airTemp = -0.04
        ModbusPort.dewPoint = 9.55
        compare(text("temperatureText"), "-0.0 <sup>°C</sup>")
        compare(text("textTempH"), "<b>High</b> --")
        compare(text("textTempL"), "<b>Low</b> --")
        compare(text("dewPointText"), "9.6")

        Settings.temperatureUnits = "°F"
        ModbusPort.airTempH = 70.52
        compare(text("textTempH"), "<b>High</b> 70.5")
        compare(text("textTempL"), "<b>Low</b> --")

        // Humidex is always Celsius.
        ModbusPort.humidex = 31.26
        compare(text("humidexText"), "31.3 °C")
        ModbusPort.humidex = -999
        compare(text("humidexText"), "N/A")
        verify(item("humidexText").visible)
    }

    // Start values are no readings, though 0 is a real one once it has come.
    function test_currentValuesWaitForTheFirstReading() {
        show(aviationComponent)
        ModbusPort.hasReading = false
        ModbusPort.rainUnits = 0
        var current = ["temperatureText", "dewPointText", "humidityText", "pressureText",
                       "pressureTrendText", "textWindDir", "textWindSpeed", "textWindSpeed2",
                       "textWindDir2", "textWindSpeed10", "textWindDir10", "textWindSpeedGust",
                       "rainText", "densityAltitudeText", "estCloudBaseText"]
        current.forEach(function(name) { compare(text(name), "--", name) })
        compare(text("textRain"), "<b>Rainfall</b>")
        verify(!item("dirNeedle").visible)
        ModbusPort.hasReading = true
        compare(text("temperatureText"), "0.0 <sup>°C</sup>")
        compare(text("textRain"), "<b>Rain gauge not installed</b>")
        verify(item("dirNeedle").visible)
    }

    function test_hiddenTemperatureRows() {
        show(standardComponent)
        ModbusPort.windChill = -3.25
        ModbusPort.heatIndex = 30
        ModbusPort.wbgt = 27
        ModbusPort.wbgtColor = Settings.needleColor3
        compare(text("windChillText"), "-3.3 °C")
        compare(text("heatIndexText"), "30.0 °C")
        compare(text("wbgtText"), "27.0 °C")
        verify(Qt.colorEqual(item("textWBGT").color, "#99FF99"))
        verify(Qt.colorEqual(item("wbgtText").color, "#99FF99"))
        waitForRendering(page)
        var heatIndexRow = item("textHeatIndex").y
        verify(item("textWBGT").y > heatIndexRow)

        ModbusPort.heatIndex = -999
        verify(!item("textHeatIndex").visible)
        verify(!item("heatIndexText").visible)
        tryCompare(item("textWBGT"), "y", heatIndexRow)

        ModbusPort.windChill = -999
        ModbusPort.wbgt = -999
        verify(!item("textWindChill").visible)
        verify(!item("windChillText").visible)
        verify(!item("textWBGT").visible)
        verify(!item("wbgtText").visible)
        // A value just off the marker is a real reading.
        ModbusPort.wbgt = -999.1
        verify(item("wbgtText").visible)
    }

    function test_humidityBox() {
        show(standardComponent)
        ModbusPort.humidity = 55.55
        compare(text("humidityText"), "55.6 %")
        compare(text("textHumidityH"), "<b>High</b> --")
        compare(text("textHumidityL"), "<b>Low</b> --")
        ModbusPort.humidityH = 90
        ModbusPort.humidityL = 12.04
        compare(text("textHumidityH"), "<b>High</b> 90.0")
        compare(text("textHumidityL"), "<b>Low</b> 12.0")
    }

    function test_pressureBox_data() {
        return [
            { tag: "mbar", units: "mbar", value: 1013.25, text: "1013.3 mbar", high: "1020.0" },
            { tag: "mmHg", units: "mmHg", value: 759.999, text: "760.00 mmHg", high: "765.00" },
            { tag: "inHg", units: "inHg", value: 29.9246, text: "29.92 inHg", high: "30.12" },
            { tag: "kPa", units: "kPa", value: 101.325, text: "101.33 kPa", high: "102.00" }
        ]
    }

    function test_pressureBox(data) {
        show(standardComponent)
        Settings.pressureUnits = data.units
        ModbusPort.pressure = data.value
        compare(text("textPressureH"), "<b>High</b> --")
        compare(text("textPressureL"), "<b>Low</b> --")
        compare(text("textUncompPressure"), "--")

        ModbusPort.pressureH = Number(data.high)
        ModbusPort.pressureL = 0.004
        ModbusPort.pressureRaw = 977.996
        ModbusPort.pressureTrendText = "Rising"
        compare(text("pressureText"), data.text)
        compare(text("textPressureH"), "<b>High</b> " + data.high)
        compare(text("textPressureL"), "<b>Low</b> " + (data.units === "mbar" ? "0.0" : "0.00"))
        compare(text("textUncompPressure"), "978.00")
        compare(text("pressureTrendText"), "Rising")
    }

    function test_extendedBox() {
        show(standardComponent)
        ModbusPort.rainUnits = 2
        ModbusPort.rainDay = 0.5
        ModbusPort.rainRate = 0.1
        compare(text("textRain"), "<b>Rainfall</b>")
        compare(text("rainText"), "0.50 in")
        compare(text("rainRateText"), "0.10in/hr")

        ModbusPort.rainUnits = 1
        ModbusPort.rainDay = 12.7
        ModbusPort.rainRate = 1.2
        compare(text("rainText"), "12.7 mm")
        compare(text("rainRateText"), "1.20mm/hr")
        verify(item("rainRateText").visible)

        ModbusPort.rainUnits = 0
        compare(text("textRain"), "<b>Rain gauge not installed</b>")
        compare(text("rainText"), "")
        verify(!item("textRainRate").visible)
        verify(!item("rainRateText").visible)

        verify(!item("textSolar").visible)
        verify(!item("solarText").visible)
        ModbusPort.solarRadiation = 200.4
        verify(item("solarText").visible)
        compare(text("solarText"), "200 W/m^2")
        ModbusPort.solarRadiation = 0
        verify(item("solarText").visible)
    }

    function test_windTexts() {
        show(standardComponent)
        Settings.speedUnits = "km/h"
        ModbusPort.wind = 18.72
        ModbusPort.windDir = 247.46
        ModbusPort.wind2 = 17.28
        ModbusPort.windDir2 = 240
        ModbusPort.wind10 = 14.76
        ModbusPort.windDir10 = 230.04
        compare(text("textWindDir"), "247.5 °")
        compare(text("textWindSpeed"), "18.7 km/h")
        compare(text("textWindSpeed2"), "17.3 km/h @")
        compare(text("textWindDir2"), "240.0 °")
        compare(text("textWindSpeed10"), "14.8 km/h @")
        compare(text("textWindDir10"), "230.0 °")

        compare(text("textWindSpeedGust"), "None")
        compare(text("textWindDirGust"), "")
        verify(Qt.colorEqual(item("textWindSpeedGust").color, Settings.redColor))
        verify(!item("dirGust").visible)
        verify(item("windGust").visible)

        ModbusPort.windGust = 33.48
        ModbusPort.windDirGust = 255
        compare(text("textWindSpeedGust"), "33.5 km/h @")
        compare(text("textWindDirGust"), "255.0 °")
        verify(item("dirGust").visible)
    }

    function test_speedNeedles() {
        show(standardComponent)
        // Half the range points straight up; the needles start at the scale's start.
        settlesAt("needle1", -220)
        settlesAt("windGust", -220)
        ModbusPort.wind = 50
        ModbusPort.wind2 = 25
        ModbusPort.wind10 = 100
        ModbusPort.windGust = 120
        settlesAt("needle1", -90)
        settlesAt("needle2", -155)
        settlesAt("needle3", 40)
        settlesAt("windGust", 92)

        // A new unit brings a new range: the same values point elsewhere.
        Settings.speedRangeHigh = 50
        compare(item("windGauge").max, 50)
        settlesAt("needle1", 40)
        settlesAt("needle2", -90)
    }

    function test_directionArrows() {
        show(standardComponent)
        ModbusPort.windDir = 90
        ModbusPort.windDir2 = 270
        ModbusPort.windDir10 = 0
        ModbusPort.windGust = 3
        ModbusPort.windDirGust = 180
        settlesAt("dirNeedle", 0)
        settlesAt("dir2Needle", 180)
        settlesAt("dir10Needle", -90)
        settlesAt("dirGust", 90)

        // East wind: the arrow sits east of the centre and points west.
        var compass = item("gaugeDirection")
        var arrow = item("dirNeedle")
        var tip = arrow.mapToItem(compass, arrow.width - 40, arrow.height / 2)
        var base = arrow.mapToItem(compass, arrow.width, arrow.height / 2)
        verify(base.x > tip.x && tip.x > compass.width / 2, "tip " + tip.x + ", base " + base.x)
        fuzzyCompare(tip.y, 98, 0.5)
        fuzzyCompare(tip.x, 105 + 72, 0.5)
    }

    function test_transferIconAndBanner() {
        show(standardComponent)
        var icon = item("dataTransferIcon")
        var banner = item("dataNoTransferIcon")
        compare(item("dataTransferIconTimer").interval, 400)
        compare(item("dataNoTransferIconTimer").interval, 10 * Settings.updateTime)
        verify(!icon.visible)
        verify(!banner.visible)

        // A station that never answers: the start values are no readings.
        tryCompare(banner, "visible", true, 2000)

        ModbusPort.dataReceived()
        verify(icon.visible)
        verify(!banner.visible)
        tryCompare(icon, "visible", false, 2000)
        tryCompare(banner, "visible", true, 2000)
        compare(findChild(banner, "bannerText").text, "No Data Connection")

        // An update that brings nothing new lights it all the same.
        ModbusPort.dataReceived()
        verify(!banner.visible)
        verify(icon.visible)
    }

    // Every needle, arrow and gust marker of the page.
    function movers() {
        return ["needle1", "needle2", "needle3", "windGust", "dirNeedle", "dir2Needle",
                "dir10Needle", "dirGust"].map(item)
    }

    function test_swingsEndAtTheirTarget() {
        show(standardComponent)
        var needle = item("needle1")
        ModbusPort.wind = 50
        ModbusPort.windDir = 135
        verify(needle.moving)
        verify(item("dirNeedle").moving)
        tryVerify(function() { return !item("windBox").moving }, 2000)
        compare(needle.rotation, -90)
        compare(item("dirNeedle").rotation, 45)
    }

    function test_invisibleChangesJump() {
        show(standardComponent)
        // A quarter of a degree on the speed scale.
        ModbusPort.wind = 0.1
        ModbusPort.windDir = 0.4
        fuzzyCompare(item("needle1").rotation, -219.74, 1e-9)
        fuzzyCompare(item("dirNeedle").rotation, -89.6, 1e-9)
        verify(!item("windBox").moving)
    }

    function test_hiddenPageDoesNotSwing() {
        show(standardComponent)
        page.visible = false
        ModbusPort.wind = 50
        ModbusPort.windDir = 135
        ModbusPort.windGust = 100
        ModbusPort.windDirGust = 200
        verify(!item("windBox").moving)
        compare(item("needle1").rotation, -90)
        compare(item("dirNeedle").rotation, 45)
        compare(item("windGust").rotation, 40)
        compare(item("dirGust").rotation, 110)
    }

    // The rotations a mover passes through on its way to a new reading.
    function sweep(name, change) {
        var mover = item(name)
        var seen = [mover.rotation]
        var watch = function() { seen.push(mover.rotation) }
        mover.rotationChanged.connect(watch)
        change()
        tryVerify(function() { return !mover.moving }, 2000)
        mover.rotationChanged.disconnect(watch)
        return seen
    }

    function test_wayRound() {
        show(standardComponent)
        // A speed needle sweeps along its scale, never through the gap below.
        var speed = sweep("needle1", function() { ModbusPort.wind = 100 })
        verify(speed.length > 3)
        speed.forEach(function(angle) {
            verify(angle >= -220 && angle < 40 + 0.1 * 260, "off the scale at " + angle)
        })
        // A compass arrow takes the short way across north.
        ModbusPort.windDir = 350
        tryVerify(function() { return !item("dirNeedle").moving }, 2000)
        var arrow = sweep("dirNeedle", function() { ModbusPort.windDir = 10 })
        verify(arrow.length > 3)
        arrow.forEach(function(angle) {
            var along = normalised(angle - 260)
            verify(along <= 22, "off the short way at " + angle)
        })
        settlesAt("dirNeedle", -80)
    }

    // The movers are drawn live; the still parts from cached layers, with
    // OpenGL. The software renderer, which these tests draw with, draws none.
    function test_stillPartsAreCached() {
        show(standardComponent)
        function cached(thing) {
            for (var p = thing; p; p = p.parent) {
                verify(!p.layer.enabled, "a layer in the software renderer")
                if (p.cachesLayer)
                    return true
            }
            return false
        }
        movers().forEach(function(mover) {
            verify(!cached(mover), mover.objectName + " is in a cached layer")
        })
        var still = ["speedScale", "runwayImage", "temperatureText", "humidityText", "pressureText",
                     "rainText", "textWindDir", "textWindSpeed2", "textWindDirGust"]
        still.forEach(function(name) {
            verify(cached(item(name)), name + " is drawn live")
        })
    }

    function test_startAndQuit() {
        var p = createTemporaryObject(aviationComponent, testCase)
        compare(ModbusPort.starts, 1)
        compare(ModbusPort.quits, 0)
        p.destroy()
        tryCompare(ModbusPort, "quits", 1)
    }

    function test_settingsButton() {
        show(standardComponent)
        settingsSpy.target = page
        settingsSpy.clear()
        mouseClick(item("settingsButton"))
        compare(settingsSpy.count, 1)
        // And from the keyboard.
        item("settingsButton").forceActiveFocus()
        keyClick(Qt.Key_Space)
        compare(settingsSpy.count, 2)
    }

    function test_altimeterBox_data() {
        return [
            { tag: "inHg", units: "inHg", text: "29.92 inHg", high: "<b>High</b> 30.01" },
            { tag: "mbar", units: "mbar", text: "29.9 mbar", high: "<b>High</b> 30.0" }
        ]
    }

    function test_altimeterBox(data) {
        show(aviationComponent)
        compare(findChild(page, "pressureBox").title, "Altimeter")
        Settings.pressureUnits = data.units
        ModbusPort.pressure = 1
        ModbusPort.altimeter = 29.9246
        ModbusPort.altimeterRaw = 28.8836
        compare(text("pressureText"), data.text)
        compare(text("textPressureH"), "<b>High</b> --")
        compare(text("textPressureL"), "<b>Low</b> --")
        compare(text("textUncompPressure"), "28.88")
        ModbusPort.highAltimeter = 30.0149
        compare(text("textPressureH"), data.high)
        ModbusPort.altimeterRaw = 0
        compare(text("textUncompPressure"), "--")
    }

    function test_aviationBox() {
        show(aviationComponent)
        ModbusPort.metar = "<b>METAR</b> 061405Z AUTO 25007KT 21/10 A2992 RMK AO1 SLP134="
        ModbusPort.densityAltitude = -250
        ModbusPort.estimatedCloudBase = 5280
        compare(text("textMETAR"), ModbusPort.metar)
        compare(text("densityAltitudeText"), "-250 ft")
        compare(text("estCloudBaseText"), "5280 ft")
        waitForRendering(page)
        var metar = item("textMETAR")
        verify(metar.lineCount > 1, "a long line wraps")
        verify(metar.contentWidth <= metar.width)
        // The strip shows no picture, the standard box does.
        compare(findChild(page, "rainBox").height, 100)
    }

    function test_runway_data() {
        return [
            { tag: "east-west", designator: 9, rotation: 90, shown: true },
            { tag: "north", designator: 0, rotation: 0, shown: true },
            { tag: "south", designator: 18, rotation: 180, shown: true },
            { tag: "north again", designator: 36, rotation: 360, shown: true },
            { tag: "none", designator: -99, rotation: -990, shown: false }
        ]
    }

    function test_runway(data) {
        show(aviationComponent)
        Settings.runwayAngle = data.designator
        var runway = item("runwayImage")
        compare(runway.visible, data.shown)
        compare(runway.rotation, data.rotation)
        compare(runway.scale, 1.2)
        verify(runway.z <= item("dirNeedle").z)
    }

    function test_noRunwayOnStandardPage() {
        show(standardComponent)
        Settings.runwayAngle = 9
        verify(!item("runwayImage").visible)
    }
}
