#include "logcolumns.h"

namespace {

using M = Measure;
using V = const StationValues &;

} // namespace

const std::array<LogColumn, LogValueColumns> &logColumns()
{
    static const std::array<LogColumn, LogValueColumns> columns = { {
        { "Wind", &LogRow::wind, false, M::Speed, [](V v) { return v.wind; } },
        { "Direction", &LogRow::windDir, false, M::Direction, [](V v) { return v.windDir; } },
        { "Wind 2 min", &LogRow::wind2, false, M::Speed, [](V v) { return v.wind2; } },
        { "Direction 2 min", &LogRow::windDir2, false, M::Direction,
            [](V v) { return v.windDir2; } },
        { "Wind 10 min", &LogRow::wind10, false, M::Speed, [](V v) { return v.wind10; } },
        { "Direction 10 min", &LogRow::windDir10, false, M::Direction,
            [](V v) { return v.windDir10; } },
        { "Gust", &LogRow::windGust, false, M::Speed, [](V v) { return v.windGust; } },
        { "Gust Direction", &LogRow::windDirGust, false, M::Direction,
            [](V v) { return v.windDirGust; } },
        { "WDS Status", &LogRow::wdsStatus, true, M::Plain, [](V v) { return v.wdsStatus * 1.0; } },
        { "Temperature", &LogRow::airTemp, false, M::Temperature, [](V v) { return v.airTemp; } },
        { "Humidity", &LogRow::humidity, false, M::Percent, [](V v) { return v.humidity; } },
        { "Pressure", &LogRow::pressure, false, M::Pressure },
        { "Pressure Temperature", &LogRow::pressureTemp, false, M::Plain,
            [](V v) { return v.pressureTemp; } },
        { "Trend", &LogRow::pressureTrend, false, M::Plain, [](V v) { return v.pressureTrend; } },
        { "TPH Status", &LogRow::tphStatus, true, M::Plain, [](V v) { return v.tphStatus * 1.0; } },
        { "Rain Inc", &LogRow::rainInc, false, M::Rain },
        { "Rain Day", &LogRow::rainDay, false, M::Rain, [](V v) { return v.rainDay; } },
        { "Rain Rate", &LogRow::rainRate, false, M::RainRate, [](V v) { return v.rainRate; } },
        { "Analog 1", &LogRow::analog1, false, M::Plain, [](V v) { return v.analog1; } },
        { "Analog 2", &LogRow::analog2, false, M::Plain, [](V v) { return v.analog2; } },
        { "Battery Voltage", &LogRow::batteryVoltage, true, M::Plain,
            [](V v) { return v.batteryVoltage * 1.0; } },
        { "Input Voltage", &LogRow::inputVoltage, true, M::Plain,
            [](V v) { return v.inputVoltage * 1.0; } },
        { "Charger Status", &LogRow::chargerStatus, true, M::Plain,
            [](V v) { return v.chargerStatus * 1.0; } },
        { "CM Temperature", &LogRow::cmTemperature, true, M::Plain,
            [](V v) { return v.cmTemperature * 1.0; } },
        { "Lightning Strikes", &LogRow::lightningStrikes, true, M::Plain },
        { "Lightning Distance", &LogRow::lightningDistance, false, M::Distance,
            [](V v) { return v.lightningDistance * 1.0; } },
        { "Lightning Noise", &LogRow::lightningNoise, true, M::Plain },
        { "Lightning Disturber", &LogRow::lightningDisturbers, true, M::Plain },
    } };
    return columns;
}

const LogColumn &logColumn(double LogRow::*field)
{
    for (const LogColumn &column : logColumns())
        if (column.field == field)
            return column;
    Q_ASSERT_X(false, "logColumn", "every field of LogRow has a column");
    return logColumns().front();
}

int logFieldIndex(double LogRow::*field)
{
    return 2 + int(&logColumn(field) - logColumns().data());
}
