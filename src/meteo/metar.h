#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// The one-line METAR-style report of the aviation page, from base units.
namespace meteo {

struct MetarInputs
{
    qint16 wdsStatus = 0; // negative: wind sensor fault
    qint16 tphStatus = 0; // negative: temperature/humidity/pressure fault
    double airTemp = 0; // °C
    double dewPoint = 0; // °C
    double wind2 = 0; // 2-minute mean, m/s
    double windDir2 = 0; // 2-minute mean, degrees
    double windGust = 0; // m/s; written only when above the mean in whole knots
    double altimeter = 0; // hPa
    int stationElevation = 0; // metres; 0 means no altimeter setting known
};

// "METAR:" when a status word is negative, otherwise the full line starting
// with "<b>METAR</b> " and ending with "=". The time group is taken from
// `time` converted to UTC. Independent of the process locale.
QString composeMetar(const MetarInputs &in, const QDateTime &time);

} // namespace meteo
