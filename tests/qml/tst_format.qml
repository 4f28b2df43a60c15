import QtQuick 2.15
import QtTest 1.15
import "../../qml/dashboard/Format.js" as Format

// The number texts, the no-value markers and the angle and scale rules.
TestCase {
    name: "Format"

    function test_fixed_data() {
        return [
            { tag: "negative rounding to zero keeps its sign", value: -0.04, decimals: 1, text: "-0.0" },
            { tag: "half up", value: 0.05, decimals: 1, text: "0.1" },
            { tag: "negative half away from zero", value: -0.05, decimals: 1, text: "-0.1" },
            { tag: "half whose binary form is below", value: 2.675, decimals: 2, text: "2.68" },
            { tag: "half whose binary form is below, 1.005", value: 1.005, decimals: 2, text: "1.01" },
            { tag: "below half", value: 0.449, decimals: 1, text: "0.4" },
            { tag: "zero decimals, half", value: 2.5, decimals: 0, text: "3" },
            { tag: "zero decimals, negative half", value: -2.5, decimals: 0, text: "-3" },
            { tag: "carry into a new digit", value: 9.995, decimals: 2, text: "10.00" },
            { tag: "carry through the point", value: 99.96, decimals: 1, text: "100.0" },
            { tag: "padding", value: 5, decimals: 2, text: "5.00" },
            { tag: "zero", value: 0, decimals: 1, text: "0.0" },
            { tag: "negative zero has no sign", value: -0, decimals: 1, text: "0.0" },
            { tag: "Fahrenheit noise", value: 21.4 * 1.8 + 32, decimals: 1, text: "70.5" },
            { tag: "tiny value in exponent form", value: 1.5e-7, decimals: 2, text: "0.00" },
            { tag: "tiny value that rounds up", value: 5e-7, decimals: 6, text: "0.000001" },
            { tag: "large value in exponent form", value: 1e21, decimals: 0, text: "1000000000000000000000" },
            { tag: "sentinel as a number", value: -999, decimals: 1, text: "-999.0" },
            { tag: "inHg of 1013.25 hPa", value: 1013.25 * 0.0295333727, decimals: 2, text: "29.92" }
        ]
    }

    function test_fixed(data) {
        compare(Format.fixed(data.value, data.decimals), data.text)
    }

    function test_extremes() {
        compare(Format.high(-10000, 1), "<b>High</b> --")
        compare(Format.low(10000, 2), "<b>Low</b> --")
        compare(Format.high(25.04, 1), "<b>High</b> 25.0")
        compare(Format.low(-3.25, 1), "<b>Low</b> -3.3")
        // Only the marker of its own side means "no reading yet".
        compare(Format.high(10000, 1), "<b>High</b> 10000.0")
        compare(Format.low(-10000, 1), "<b>Low</b> -10000.0")
        compare(Format.high(-9999.9, 1), "<b>High</b> -9999.9")
    }

    function test_temperatureTexts() {
        compare(Format.temperature(-0.04, "°C"), "-0.0 <sup>°C</sup>")
        compare(Format.withUnit(18.25, 1, "°F"), "18.3 °F")
        compare(Format.humidex(-999), "N/A")
        compare(Format.humidex(31.26), "31.3 °C")
        verify(!Format.available(-999))
        verify(Format.available(-998.9))
        verify(Format.available(0))
    }

    function test_pressure() {
        compare(Format.pressureDecimals("mbar"), 1)
        compare(Format.pressureDecimals("mmHg"), 2)
        compare(Format.pressureDecimals("inHg"), 2)
        compare(Format.pressureDecimals("kPa"), 2)
        compare(Format.stationPressure(0), "--")
        compare(Format.stationPressure(1013.2), "1013.20")
        compare(Format.stationPressure(-0.001), "-0.00")
    }

    function test_wind() {
        compare(Format.direction(247.46), "247.5 °")
        compare(Format.averageSpeed(17.28, "km/h"), "17.3 km/h @")
        compare(Format.gustSpeed(0, "mph"), "None")
        compare(Format.gustSpeed(0.1, "knots"), "0.1 knots @")
        compare(Format.gustDirection(0, 90), "")
        compare(Format.gustDirection(4, 90), "90.0 °")
    }

    function test_rain() {
        compare(Format.rainLabel(0, true), "<b>Rain gauge not installed</b>")
        compare(Format.rainLabel(1, true), "<b>Rainfall</b>")
        compare(Format.rainLabel(2, true), "<b>Rainfall</b>")
        compare(Format.rainAmount(0, 12.7), "")
        compare(Format.rainAmount(2, 0.5), "0.50 in")
        compare(Format.rainAmount(1, 12.7), "12.7 mm")
        compare(Format.rainAmount(5, 12.74), "12.7 mm")
        compare(Format.rainRate(2, 0.1), "0.10in/hr")
        compare(Format.rainRate(1, 1.2), "1.20mm/hr")
    }

    function test_solarAndHeights() {
        compare(Format.solar(200.4), "200 W/m^2")
        compare(Format.solar(0.5), "1 W/m^2")
        compare(Format.feet(5280), "5280 ft")
        compare(Format.feet(-250), "-250 ft")
        compare(Format.feet(0), "0 ft")
        compare(Format.feet(12.5), "12.5 ft")
    }

    function test_angles() {
        compare(Format.speedAngle(0, 100), -220)
        compare(Format.speedAngle(50, 100), -90)
        compare(Format.speedAngle(100, 100), 40)
        compare(Format.speedAngle(150, 100), 170)
        compare(Format.speedAngle(22.5, 45), -90)
        compare(Format.directionAngle(0), -90)
        compare(Format.directionAngle(90), 0)
        compare(Format.directionAngle(270), 180)
    }

    function test_pageScale() {
        compare(Format.pageScale(770, 670, 0), 1)
        compare(Format.pageScale(1540, 670, 0), 1)
        compare(Format.pageScale(1540, 1340, 0), 2)
        compare(Format.pageScale(1540, 1380, 40), 2)
        compare(Format.pageScale(770, 1340, 0), 1)
        compare(Format.pageScale(385, 670, 0), 0.5)
    }
}
