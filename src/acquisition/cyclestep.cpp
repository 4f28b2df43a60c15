#include "cyclestep.h"

#include "dailyextremes.h"
#include "meteo/derived.h"
#include "meteo/metar.h"
#include "stationdata.h"

void applyDataBlock(StationValues &v, const quint16 words[100], const QDateTime &now)
{
    decodeDataBlock(words, v);
    updateExtremes(v);

    v.densityAltitude = meteo::densityAltitude(v.airTemp, v.pressureRaw);
    v.estimatedCloudBase = meteo::estimatedCloudBase(v.airTemp, v.dewPoint);
    v.altimeter = meteo::altimeterSetting(v.pressureRaw, v.stationElevation);
    updateAltimeterExtremes(v);

    meteo::MetarInputs in;
    in.wdsStatus = qint16(v.wdsStatus);
    in.tphStatus = qint16(v.tphStatus);
    in.airTemp = v.airTemp;
    in.dewPoint = v.dewPoint;
    in.wind2 = v.wind2;
    in.windDir2 = v.windDir2;
    in.windGust = v.windGust;
    in.altimeter = v.altimeter;
    in.stationElevation = v.stationElevation;
    v.metar = meteo::composeMetar(in, now);
}
