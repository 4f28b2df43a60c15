#pragma once

#include <QDate>
#include <QDateTime>
#include <QtGlobal>

#include <cstdint>
#include <deque>
#include <vector>

// What the station reports at one instant, in its own base units. Rain is kept
// in millimetres here; the register encoding converts it when the gauge is set
// to inches.
struct Observation
{
    double wind = 0; // m/s, this second
    double windDir = 0; // degrees 0..360
    double wind2 = 0; // mean of the last 120 one-second samples
    double windDir2 = 0; // unit-vector mean of the same samples
    double wind10 = 0; // last 600 samples
    double windDir10 = 0;
    double gust = 0; // 0 means no gust
    double gustDir = 0;

    double airTemp = 0; // °C
    double humidity = 0; // %
    double dewPoint = 0; // °C
    double stationPressure = 0; // hPa at the station
    double seaLevelPressure = 0; // hPa, reduced to mean sea level
    int trendCode = 0; // -3..3 from the 3-hour change of the sea-level pressure
    int pressureSensorTemp = 0; // whole °C inside the enclosure

    double heatIndex = -999;
    double windChill = -999;
    double wbgt = -999;
    double humidex = -999;

    double rainToday = 0; // mm since local midnight
    double rainRate = 0; // mm/h
    double solar = 0; // W/m², analog channel 1

    int newStrikes = 0; // events detected during the last one-second step
    int newNoise = 0;
    int newDisturbers = 0;
    int lightningDistance = 0; // km to the latest strike within the hour, 0 when none
    int strikes10 = 0;
    int strikes30 = 0;
    int strikes60 = 0;

    quint32 serialNumber = 0;
    int batteryMillivolts = 0;
    int inputMillivolts = 0; // solar panel, 0 at night
    int chargerStatus = 0; // 0 idle, 1 charging, 2 float
    int elevation = 0; // metres
    bool rainInInches = false;
};

// Where the simulated station stands and how it is set up.
struct Site
{
    double latitude = 47.0;
    int elevation = 120;
    double annualMeanTemp = 10.0;
    double seasonalSwing = 9.0; // half the difference between July and January
    double diurnalSwing = 5.0; // half the day's range under a clear sky
    quint32 serialNumber = 100234;
    bool rainInInches = false;
};

// Believable weather for the station simulator. Deterministic for a given
// seed and sequence of clock readings: the clock is passed in, never read, so
// a day can be simulated in a test in a fraction of a second.
class WeatherModel
{
public:
    static constexpr double NotAvailable = -999.0;
    static constexpr int TwoMinutes = 120;
    static constexpr int TenMinutes = 600;
    static constexpr int TrendWindow = 3 * 3600;
    static constexpr double GustMargin = 2.5; // m/s above the 10-minute mean

    WeatherModel(quint32 seed, const QDateTime &start, const Site &site = Site());

    // Advances the weather by one second; `now` is the local time it reaches.
    void step(const QDateTime &now);

    const Observation &observation() const { return current; }
    const Site &site() const { return place; }
    bool showerActive() const { return showerLeft > 0; }
    bool stormActive() const { return showerLeft > 0 && thunder; }

    // Starts a shower now (replacing one under way); a thundery one brings lightning.
    void startShower(int seconds, double peakRate, bool thundery);

    void fillRegisters(quint16 status[11], quint16 data[100]) const;
    static void encode(const Observation &observation, quint16 status[11], quint16 data[100]);

    // Standard formulas, exposed so they can be checked against published tables.
    static int trendCode(double threeHourChange);
    static double dewPointFrom(double temp, double humidity);
    static double humidityFrom(double temp, double dewPoint);
    static double heatIndex(double temp, double humidity);
    static double windChill(double temp, double speed);
    static double wbgt(double temp, double humidity);
    static double humidex(double temp, double dewPoint);
    static double seaLevelToStation(double seaLevel, double temp, int elevation);
    // Sine of the sun's elevation, taking the clock's standard time as solar time.
    static double sunElevationSine(const QDateTime &when, double latitude);

private:
    struct WindSample
    {
        double speed;
        double direction;
        double east; // unit vector, kept so the averages need no trigonometry
        double north;
    };

    double uniform();
    double gaussian();
    // One Euler step of an Ornstein-Uhlenbeck process with time constant tau
    // seconds and the given stationary spread.
    double relax(double value, double target, double tau, double spread);

    void advanceClimate(const QDateTime &now);
    void advanceWind();
    void advanceRain(const QDateTime &now);
    void advanceLightning();
    void advancePower();
    void derive(const QDateTime &now);
    void recordPressure();

    Site place;
    Observation current;
    std::uint64_t rngState;
    bool spareValid = false;
    double spare = 0;
    qint64 elapsed = 0;

    // Slowly varying state behind the reported values.
    double tempAnomaly = 0;
    double dewAnomaly = 0;
    double showerCooling = 0;
    double moistening = 0;
    double cloudLogit = 0;
    double cloud = 0.5;
    double showerCloud = 0; // the cloud floor of a shower, built up and cleared gradually
    double seaLevel = 1013.0;
    double tendency = 0; // hPa per hour
    double windMean = 3.0;
    double turbulence = 0;
    double veer = 0; // short-term direction wobble, degrees
    double baseDirection = 240.0;
    double burstPeak = 0;
    int burstLength = 0;
    int burstAge = 0;
    double batteryMv = 12900;

    int showerLeft = 0;
    int showerLength = 0;
    double showerProgress = 0; // 0..1 through the shower under way
    double intensity = 0; // 0..1, rain rate relative to the shower's peak
    double showerPeak = 0;
    bool thunder = false;
    double stormFar = 30;
    double stormNear = 8;
    double strikeRate = 0;

    QDate rainDate;
    std::vector<WindSample> windSamples; // ring of the last TenMinutes seconds
    int windNext = 0;
    int windCount = 0;
    std::vector<double> pressureHistory; // ring of the last TrendWindow seconds
    int pressureNext = 0;
    struct Strike
    {
        qint64 at;
        int distance;
    };
    std::deque<Strike> strikes; // the last hour
};
