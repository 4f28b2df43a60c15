#include "pagetexts.h"

#include "display/displayquantities.h"
#include "record/stationcycle.h"
#include "state/stateobject.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

namespace web {

QByteArray pageJson(const StationCycle &cycle, const DisplayUnits &units)
{
    const StationValues &v = cycle.values;
    QHash<QString, display::Shown> shown;
    for (const display::Shown &s : display::show(v, units))
        shown.insert(s.name, s);
    const auto text = [&shown](const char *name) { return shown.value(QLatin1String(name)).text; };
    const auto withUnit = [&shown](const char *name) {
        const display::Shown s = shown.value(QLatin1String(name));
        return s.available ? s.text + QLatin1Char(' ') + s.unit : s.text;
    };
    const auto bearing
        = [&shown](const char *name) { return shown.value(QLatin1String(name)).value; };

    QJsonObject o;
    o.insert(QStringLiteral("temp"), text("airTemp"));
    o.insert(QStringLiteral("tempUnit"), shown.value(QStringLiteral("airTemp")).unit);
    o.insert(QStringLiteral("tempLow"), text("airTempL"));
    o.insert(QStringLiteral("tempHigh"), text("airTempH"));
    o.insert(QStringLiteral("dew"), text("dewPoint"));

    o.insert(QStringLiteral("hum"), withUnit("humidity"));
    o.insert(QStringLiteral("humLow"), text("humidityL"));
    o.insert(QStringLiteral("humHigh"), text("humidityH"));

    o.insert(QStringLiteral("press"), withUnit("pressure"));
    o.insert(QStringLiteral("pressLow"), text("pressureL"));
    o.insert(QStringLiteral("pressHigh"), text("pressureH"));
    o.insert(QStringLiteral("trend"), pressureTrendText(v.pressureTrend));
    o.insert(QStringLiteral("pressStation"), text("pressureRaw"));

    // The means and the gust read "12.0 mph @", then their bearing.
    const bool gust = v.windGust != 0;
    o.insert(QStringLiteral("wind"), withUnit("wind"));
    o.insert(QStringLiteral("windDir"), withUnit("windDir"));
    o.insert(QStringLiteral("wind2"), withUnit("wind2") + QStringLiteral(" @"));
    o.insert(QStringLiteral("windDir2"), withUnit("windDir2"));
    o.insert(QStringLiteral("wind10"), withUnit("wind10") + QStringLiteral(" @"));
    o.insert(QStringLiteral("windDir10"), withUnit("windDir10"));
    o.insert(QStringLiteral("gust"),
        gust ? withUnit("windGust") + QStringLiteral(" @") : QStringLiteral("None"));
    o.insert(QStringLiteral("gustDir"), gust ? withUnit("windDirGust") : QString());
    o.insert(QStringLiteral("windDeg"), bearing("windDir"));
    o.insert(QStringLiteral("wind2Deg"), bearing("windDir2"));
    o.insert(QStringLiteral("wind10Deg"), bearing("windDir10"));
    o.insert(QStringLiteral("gustDeg"), gust ? QJsonValue(bearing("windDirGust")) : QJsonValue());

    // Rain is in the station's own unit, as the dashboards show it.
    const bool gauge = v.rainGauge() != RainGauge::None;
    o.insert(QStringLiteral("rainLabel"),
        gauge ? QStringLiteral("Rainfall") : QStringLiteral("Rain gauge not installed"));
    o.insert(QStringLiteral("rain"), gauge ? withUnit("rainDay") : QString());
    o.insert(QStringLiteral("rainRate"), gauge ? QJsonValue(withUnit("rainRate")) : QJsonValue());
    const display::Shown solar = shown.value(QStringLiteral("solarRadiation"));
    o.insert(QStringLiteral("solar"),
        solar.available ? QJsonValue(withUnit("solarRadiation")) : QJsonValue());

    o.insert(QStringLiteral("metar"), state::plainMetarText(v.metar));
    o.insert(QStringLiteral("densityAltitude"), withUnit("densityAltitude"));
    o.insert(QStringLiteral("cloudBase"), withUnit("estimatedCloudBase"));
    o.insert(
        QStringLiteral("updated"), cycle.local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace web
