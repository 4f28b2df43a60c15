#pragma once

// What a weather station on Earth can measure, in base units: a value outside
// these is a fault of the sensor, the cable or the file, never weather. The
// import rejects such values field by field, the data checks each live
// reading: one table. Each range is a little wider than the records.
namespace meteo {

struct Range
{
    double low;
    double high;
    // False for NaN too.
    constexpr bool contains(double value) const { return value >= low && value <= high; }
};

struct PhysicalBounds
{
    // °C, air and dew point: -89.2 at Vostok, 56.7 in Death Valley.
    Range temperature { -90, 70 };
    // %.
    Range humidity { 0, 100 };
    // hPa at mean sea level: 870 in typhoon Tip, 1084.8 at Tosontsengel.
    Range pressureSeaLevel { 800, 1100 };
    // hPa at the station: about 5500 m, above any station that reports to a
    // network, down to the Dead Sea shore (-430 m) in a strong high.
    Range pressureStation { 500, 1150 };
    // m/s, mean and gust: 113 m/s on Barrow Island.
    Range wind { 0, 120 };
    // Degrees from north.
    Range direction { 0, 360 };
    // mm between two rows of the data log (at most an hour apart): the
    // wettest hour on record brought 305 mm.
    Range rainPerRow { 0, 500 };
    // mm/h for a rate over a minute or less, and mm in one day: 1825 mm fell
    // on La Réunion in 24 hours.
    Range rainRate { 0, 1000 };
    Range rainDay { 0, 2000 };
    // W/m²: above the solar constant (1361) only under the bright edge of a
    // cloud, where high sites have measured close to 1900; a bound that
    // refused those would refuse real weather, and the spike filter catches
    // the rest.
    Range solar { 0, 2000 };
    // km: lightning sensors hear strikes up to about 40 km away.
    Range strikeDistance { 0, 100 };
};

inline constexpr PhysicalBounds physicalBounds {};

} // namespace meteo
