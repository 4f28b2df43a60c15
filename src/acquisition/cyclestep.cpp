#include "cyclestep.h"

#include "dailyextremes.h"
#include "meteo/derived.h"
#include "meteo/metar.h"
#include "quality/stationreadings.h"
#include "stationdata.h"

#include <cmath>

namespace {

using quality::Quantity;

quality::DataQuality::Served check(StationValues &v, const QDateTime &now, quality::DataQuality &dq)
{
    quality::Readings r = quality::readingsOf(v);
    dq.calibrate(r);
    const quality::Calibration &c = dq.settings().calibration;
    if (c.movesDewPoint() && !std::isnan(r[Quantity::DewPoint]))
        r[Quantity::DewPoint]
            = meteo::magnusDewPoint(r[Quantity::Temperature], r[Quantity::Humidity]);
    const double rainScale = v.rainGauge() == RainGauge::Inches ? factor::MillimetresPerInch : 1.0;
    const quality::QuantitySet rejected = dq.check(r, now.toMSecsSinceEpoch(), rainScale);
    // Only what the station delivers is written back: a rain multiplier
    // without a gauge must not turn its rain into NaN.
    const quality::DataQuality::Served served = dq.served(r, rejected);
    quality::writeBack(v, r, served.which | rejected);
    v.rejected = quality::rejectedKeys(rejected);
    return served;
}

} // namespace

quality::DataQuality::Served applyDataBlock(
    StationValues &v, const quint16 words[100], const QDateTime &now, quality::DataQuality *checks)
{
    decodeDataBlock(words, v);
    v.hasReading = true;
    quality::DataQuality::Served served;
    if (checks)
        served = check(v, now, *checks);
    updateExtremes(v);

    // What is worked out from a refused value is left out with it (the
    // state keys say so); a number in its place keeps the formulas away
    // from NaN.
    v.densityAltitude = v.isRejected("density_altitude_ft")
        ? 0
        : meteo::densityAltitude(v.airTemp, v.pressureRaw);
    v.estimatedCloudBase
        = v.isRejected("cloud_base_ft") ? 0 : meteo::estimatedCloudBase(v.airTemp, v.dewPoint);
    if (!v.isRejected("altimeter_hpa")) {
        v.altimeter = meteo::altimeterSetting(v.pressureRaw, v.stationElevation);
        updateAltimeterExtremes(v);
    }

    // The line is made from temperature, dew point, the 2-minute wind, the
    // gust and the altimeter: without one of them it says what it says for a
    // sensor at fault.
    const bool metarInputRejected = v.isRejected("temperature_c") || v.isRejected("dew_point_c")
        || v.isRejected("wind_speed_2min_ms") || v.isRejected("wind_dir_2min_deg")
        || v.isRejected("wind_gust_ms") || v.isRejected("altimeter_hpa");
    v.metar = metarInputRejected ? QStringLiteral("METAR:") : meteo::composeMetar(v, now);
    return served;
}
