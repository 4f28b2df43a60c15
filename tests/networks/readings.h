#pragma once

#include "record/stationcycle.h"

#include <memory>
#include <optional>

// Fixed readings the network tests format and upload.
inline const QDateTime SampleTime(QDate(2026, 3, 6), QTime(14, 5, 9), Qt::UTC);

// A mild afternoon: millimetre gauge, a solar sensor on input 1.
inline StationValues mildValues()
{
    StationValues v;
    v.airTemp = 21.4;
    v.humidity = 55.5;
    v.dewPoint = 12.0;
    v.pressure = 1013.2;
    v.altimeter = 1013.25;
    v.wind2 = 3.6;
    v.windDir2 = 247;
    v.windGust = 5.5;
    v.rainUnits = 1;
    v.rainDay = 12.7;
    v.analog1Type = 3;
    v.analog1 = 455;
    return v;
}

// A still, saturated night below 0 °F with an inch gauge and no solar sensor.
inline StationValues coldValues()
{
    StationValues v;
    v.airTemp = -20.6;
    v.humidity = 100;
    v.dewPoint = -20.6;
    v.pressure = 1029.9;
    v.altimeter = 1030.04;
    v.rainUnits = 2;
    v.rainDay = 0.25;
    return v;
}

// The archive's answer: 2.54 mm in the last hour, 25.4 mm in the last day.
inline std::optional<double> archiveRain(qint64 from, qint64 to)
{
    return to - from == 3600 ? 2.54 : 25.4;
}

inline CyclePtr goodCycle(const StationValues &values, const QDateTime &utc)
{
    auto cycle = std::make_shared<StationCycle>();
    cycle->kind = StationCycle::Kind::Good;
    cycle->dataMissing = false;
    cycle->values = values;
    cycle->utc = utc;
    return cycle;
}
