#pragma once

#include "units.h"

#include <QString>
#include <QStringList>

// Everything the console knows about the station at one moment, in the
// station's base units (°C, %, hPa, m/s, degrees, the station's rain unit).
// The acquisition thread fills its own copy each cycle and publishes it whole,
// so readers never see half of one cycle and half of the next.
struct StationValues
{
    // Compared exactly wherever they are consumed, and never unit-converted,
    // so the pages recognise them in every unit.
    static constexpr double NotAvailable = -999.0; // heat index, wind chill, WBGT, humidex
    static constexpr double NoHigh = -10000.0; // no reading yet for a high
    static constexpr double NoLow = 10000.0; // no reading yet for a low
    static constexpr double NoSolarSensor = -1.0;

    // False until the first good data block: the zeros below were never
    // measured, and 0 is a real reading for most of them.
    bool hasReading = false;

    // Data block, registers 201-290.
    int wdsStatus = 0;
    // Speed and direction: now, the 2- and 10-minute means, the gust.
    double wind = 0, windDir = 0;
    double wind2 = 0, windDir2 = 0;
    double wind10 = 0, windDir10 = 0;
    double windGust = 0, windDirGust = 0; // a gust of 0 is none

    int tphStatus = 0;
    double airTemp = 0;
    double humidity = 0;
    double pressureRaw = 0; // station pressure
    double pressureTrend = 0; // the station's trend code
    double pressureTemp = 0;

    double heatIndex = NotAvailable;
    double windChill = NotAvailable;
    double rainDay = 0;
    double rainRate = 0;
    double analog1 = 0;
    double analog2 = 0;
    double dewPoint = 0;
    double pressure = 0; // adjusted to mean sea level
    double wbgt = NotAvailable;
    double humidex = NotAvailable;

    int analog1Type = 0;
    int analog2Type = 0;
    int rainUnits = 0; // the register as read; rainGauge() says what it means
    int stationElevation = 0; // metres

    int lightningStatus = 0;
    // Running totals since the console started, never cleared: the data log
    // and the archive take the difference to their last look. 64 bits, so a
    // garbage reading never brings them to the end of the range.
    qint64 lightningStrikes = 0;
    qint64 lightningNoise = 0;
    qint64 lightningDisturbers = 0;
    int lightningDistance = 0; // km
    int lightning10 = 0, lightning30 = 0, lightning60 = 0; // strikes in the last minutes

    // Status block, registers 101-111.
    QString deviceSerialNumber;
    int batteryVoltage = 0;
    int inputVoltage = 0;
    int chargerStatus = 0;
    int cmTemperature = 0; // no register carries it

    // Extremes of the local day; every pair restarts empty at a new day.
    double airTempH = NoHigh, airTempL = NoLow;
    double humidityH = NoHigh, humidityL = NoLow;
    double pressureH = NoHigh, pressureL = NoLow;
    double pressureRawH = NoHigh, pressureRawL = NoLow;
    double highAltimeter = NoHigh, lowAltimeter = NoLow;

    // Computed by the console after each good data read.
    int densityAltitude = 0; // feet, multiple of 100
    int estimatedCloudBase = 0; // feet, multiple of 100
    double altimeter = 0; // hPa
    QString metar = QStringLiteral("METAR");

    // The state keys of the values the data checks refused in this cycle,
    // and of those worked out from them. A refused measured value is NaN; a
    // consumer leaves each of these out, as it does for a sensor at fault.
    QStringList rejected;
    bool isRejected(const char *stateKey) const
    {
        return !rejected.isEmpty() && rejected.contains(QLatin1String(stateKey));
    }

    RainGauge rainGauge() const { return rainGaugeOf(rainUnits); }
};

// Analog input 1 if it is a solar sensor (type 3), else input 2 if it is,
// else NoSolarSensor. W/m².
double solarRadiation(const StationValues &v);

// "Falling Fast", "Falling", "Steady", "Rising" or "Rising Fast".
QString pressureTrendText(double trendCode);
