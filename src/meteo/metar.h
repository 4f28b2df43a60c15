#pragma once

#include "record/stationvalues.h"

#include <QDateTime>
#include <QString>

// The one-line METAR-style report of the aviation page, from base units.
namespace meteo {

// What the line is made from: the station's status words (negative is a
// fault), the air temperature, dew point, 2-minute wind, gust (written only
// when above the mean in whole knots), altimeter setting and elevation (0
// means no altimeter setting known).
using MetarInputs = StationValues;

// "METAR:" when a status word is negative, otherwise the full line starting
// with "<b>METAR</b> " and ending with "=". The time group is taken from
// `time` converted to UTC. Independent of the process locale.
QString composeMetar(const MetarInputs &in, const QDateTime &time);

} // namespace meteo
