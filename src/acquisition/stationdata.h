#pragma once

#include "meteo/conversion.h"

#include <QString>
#include <QtGlobal>

// Everything the console knows about the station at one moment, in the
// station's base units (°C, %, hPa, m/s, degrees, the station's rain unit).
// The acquisition thread fills its own copy each cycle and publishes it whole,
// so readers never see half of one cycle and half of the next.
struct StationValues
{
    // Compared exactly wherever they are consumed, and never unit-converted.
    static constexpr double NotAvailable = meteo::NotAvailable; // heat index, wind chill, WBGT, humidex
    static constexpr double NoHigh = meteo::NoHigh; // no reading yet for a high
    static constexpr double NoLow = meteo::NoLow; // no reading yet for a low
    static constexpr double NoSolarSensor = -1.0;

    // Data block, registers 201-290.
    int wdsStatus = 0;
    double wind = 0;
    double windDir = 0;
    double wind2 = 0;
    double windDir2 = 0;
    double wind10 = 0;
    double windDir10 = 0;
    double windGust = 0; // 0 means no gust
    double windDirGust = 0;

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
    int rainUnits = 0; // 0 no gauge, 2 inches, anything else millimetres
    int stationElevation = 0; // metres

    int lightningStatus = 0;
    // Running totals since the console started, saturating at the ends of the
    // range; the data log takes the difference to its last row.
    int lightningStrikes = 0;
    int lightningNoise = 0;
    int lightningDisturbers = 0;
    int lightningDistance = 0; // km
    int lightning10 = 0;
    int lightning30 = 0;
    int lightning60 = 0;

    // Status block, registers 101-111.
    QString deviceSerialNumber;
    int batteryVoltage = 0;
    int inputVoltage = 0;
    int chargerStatus = 0;
    int cmTemperature = 0; // no register carries it

    // Extremes of the local day; every pair restarts empty at a new day.
    double airTempH = NoHigh;
    double airTempL = NoLow;
    double humidityH = NoHigh;
    double humidityL = NoLow;
    double pressureH = NoHigh;
    double pressureL = NoLow;
    double pressureRawH = NoHigh;
    double pressureRawL = NoLow;
    double highAltimeter = NoHigh;
    double lowAltimeter = NoLow;

    // Computed by the console after each good data read.
    int densityAltitude = 0; // feet, multiple of 100
    int estimatedCloudBase = 0; // feet, multiple of 100
    double altimeter = 0; // hPa
    QString metar = QStringLiteral("METAR");
};

// Decode the 11 words of registers 101-111 (words[0] is register 101). Call
// only when the read returned all 11.
void decodeStatusBlock(const quint16 words[11], StationValues &v);

// Decode the 100 words of registers 201-300 (words[0] is register 201). Call
// only when the read returned all 100. Every mapped value is overwritten,
// except the three lightning counters, which are added to.
void decodeDataBlock(const quint16 words[100], StationValues &v);

// Analog input 1 if it is a solar sensor (type 3), else input 2 if it is,
// else NoSolarSensor. W/m².
double solarRadiation(const StationValues &v);

// "Falling Fast", "Falling", "Steady", "Rising" or "Rising Fast".
QString pressureTrendText(double trendCode);
