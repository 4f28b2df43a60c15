#pragma once

#include "acquisition/cyclestep.h"
#include "acquisition/stationdata.h"
#include "support/fakestation.h"

// One sample station for the tests: its registers, for a console polling a
// FakeStation, and the values the console makes of them, with every row of
// both dashboards in use. Values in base units:
//   wind 5.2 m/s from 247.5, 2-min 4.8 m/s from 240.0, 10-min 4.1 m/s from
//   230.0, gust 9.3 m/s from 255.0; air 21.4 C, humidity 55.5 %, station
//   pressure 978.0 hPa, sea-level 1015.0 hPa, trend +1; heat index 21.8 C,
//   wind chill 19.9 C, dew point 9.6 C, WBGT 18.0 C, humidex 25.0 C; rain
//   1.27 mm today at 1.20 mm/h; analog 1 is a solar sensor at 200.0 W/m2;
//   elevation 300 m.
inline void fillSampleStation(FakeStation &s)
{
    s.setStatus(103, 0x0001);
    s.setStatus(104, 0x86A0);
    s.setData(202, 52);
    s.setData(203, 2475);
    s.setData(204, 48);
    s.setData(205, 2400);
    s.setData(206, 41);
    s.setData(207, 2300);
    s.setData(208, 93);
    s.setData(209, 2550);
    s.setData(222, 214);
    s.setData(223, 555);
    s.setData(224, 9780);
    s.setData(225, 1);
    s.setData(241, 218);
    s.setData(242, 199);
    s.setData(243, 127);
    s.setData(244, 120);
    s.setData(245, 0x4348); // 200.0 as a float's high word
    s.setData(249, 96);
    s.setData(251, 10150);
    s.setData(252, 180);
    s.setData(253, 250);
    s.setData(261, 3);
    s.setData(263, 1);
    s.setData(264, 300);
}

// The sample station's values as a good cycle at `now` leaves them: decoded
// by the console's own decoder, extremes and derived quantities included.
inline StationValues sampleValues(const QDateTime &now = QDateTime(QDate(2026, 3, 6), QTime(14, 5)))
{
    FakeStation station;
    fillSampleStation(station);
    StationValues v;
    decodeStatusBlock(station.status, v);
    applyDataBlock(v, station.data, now);
    return v;
}
