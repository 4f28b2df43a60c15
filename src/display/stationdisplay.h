#pragma once

#include "acquisition/service.h"
#include "displaysettings.h"
#include "record/stationvalues.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

class QModbus;

// The station as the dashboards show it, published to QML as "ModbusPort":
// the last cycle's values converted to the display units at the moment they
// are read (the table in displayquantities.h says how), what the services
// report about themselves, and the acquisition's controls and link failures,
// passed on. Lives on the main thread; fed by the cycles like every service.
class StationDisplay : public QObject, public Service
{
    Q_OBJECT

    Q_PROPERTY(double airTemp READ airTemp NOTIFY airTempChanged)
    Q_PROPERTY(double airTempH READ airTempH NOTIFY airTempChanged)
    Q_PROPERTY(double airTempL READ airTempL NOTIFY airTempChanged)
    Q_PROPERTY(double dewPoint READ dewPoint NOTIFY airTempChanged)
    Q_PROPERTY(double humidity READ humidity NOTIFY humidityChanged)
    Q_PROPERTY(double humidityH READ humidityH NOTIFY humidityChanged)
    Q_PROPERTY(double humidityL READ humidityL NOTIFY humidityChanged)
    Q_PROPERTY(double pressure READ pressure NOTIFY pressureChanged)
    Q_PROPERTY(double pressureH READ pressureH NOTIFY pressureChanged)
    Q_PROPERTY(double pressureL READ pressureL NOTIFY pressureChanged)
    Q_PROPERTY(double pressureTrend READ pressureTrend NOTIFY pressureChanged)
    Q_PROPERTY(QString pressureTrendText READ pressureTrendText NOTIFY pressureChanged)
    Q_PROPERTY(double pressureRaw READ pressureRaw NOTIFY pressureChanged)
    Q_PROPERTY(double pressureTemp READ pressureTemp NOTIFY pressureChanged)
    Q_PROPERTY(double altimeter READ altimeter NOTIFY pressureChanged)
    Q_PROPERTY(double highAltimeter READ highAltimeter NOTIFY pressureChanged)
    Q_PROPERTY(double lowAltimeter READ lowAltimeter NOTIFY pressureChanged)
    Q_PROPERTY(double altimeterRaw READ altimeterRaw NOTIFY pressureChanged)
    Q_PROPERTY(double wind READ wind NOTIFY windChanged)
    Q_PROPERTY(double windDir READ windDir NOTIFY windChanged)
    Q_PROPERTY(double wind2 READ wind2 NOTIFY windChanged)
    Q_PROPERTY(double windDir2 READ windDir2 NOTIFY windChanged)
    Q_PROPERTY(double wind10 READ wind10 NOTIFY windChanged)
    Q_PROPERTY(double windDir10 READ windDir10 NOTIFY windChanged)
    Q_PROPERTY(double windGust READ windGust NOTIFY windChanged)
    Q_PROPERTY(double windDirGust READ windDirGust NOTIFY windChanged)
    Q_PROPERTY(int rainUnits READ rainUnits NOTIFY calcChanged)
    Q_PROPERTY(double rainDay READ rainDay NOTIFY calcChanged)
    Q_PROPERTY(double rainRate READ rainRate NOTIFY calcChanged)
    Q_PROPERTY(int lightningStatus READ lightningStatus NOTIFY lightningChanged)
    Q_PROPERTY(double lightningDistance READ lightningDistance NOTIFY lightningChanged)
    Q_PROPERTY(int lightning10 READ lightning10 NOTIFY lightningChanged)
    Q_PROPERTY(int lightning30 READ lightning30 NOTIFY lightningChanged)
    Q_PROPERTY(int lightning60 READ lightning60 NOTIFY lightningChanged)
    Q_PROPERTY(double heatIndex READ heatIndex NOTIFY calcChanged)
    Q_PROPERTY(double windChill READ windChill NOTIFY calcChanged)
    Q_PROPERTY(double solarRadiation READ solarRadiation NOTIFY analogChanged)
    Q_PROPERTY(double wbgt READ wbgt NOTIFY calcChanged)
    Q_PROPERTY(double humidex READ humidex NOTIFY calcChanged)
    Q_PROPERTY(double densityAltitude READ densityAltitude NOTIFY calcChanged)
    Q_PROPERTY(double estimatedCloudBase READ estimatedCloudBase NOTIFY calcChanged)
    Q_PROPERTY(QString metar READ metar NOTIFY calcChanged)
    Q_PROPERTY(QString wbgtColor READ wbgtColor NOTIFY calcChanged)
    // False until the station's first good reading: the dashboards show "--".
    Q_PROPERTY(bool hasReading READ hasReading NOTIFY dataReceived)
    Q_PROPERTY(QString lastQuorinLive READ lastQuorinLive NOTIFY lastQuorinLiveChanged)
    Q_PROPERTY(QStringList recentClients READ recentClients NOTIFY recentClientsChanged)
    Q_PROPERTY(QString deviceSerialNumber READ deviceSerialNumber CONSTANT)
    // What the services report, for the settings pages: the gateway's port
    // as it really is, its recent clients, the portal's last upload.
    Q_PROPERTY(bool gatewayListening READ gatewayListening NOTIFY gatewayStateChanged)
    Q_PROPERTY(QString gatewayState READ gatewayState NOTIFY gatewayStateChanged)
    Q_PROPERTY(QString gatewayHint READ gatewayHint NOTIFY gatewayStateChanged)
    // Why the link last failed to open, for the error dialog: in place on the
    // main thread when the queued openPortFailed / openSocketFailed of that
    // failure arrive there; empty once the link opens.
    Q_PROPERTY(QString linkFailureText READ linkFailureText NOTIFY linkFailureTextChanged)

    // Every service's last report, by its name ("upload", "gateway", ...).
    Q_PROPERTY(QVariantMap services READ services NOTIFY servicesChanged)

public:
    // `acquisition`, when given, is what start(), quit() and restart() drive
    // and whose link failures are passed on; it must outlive this object.
    explicit StationDisplay(QModbus *acquisition = nullptr, QObject *parent = nullptr);

    void takeCycle(const CyclePtr &cycle) override;
    void readSettings(const SettingsReader &settings) override;
    void setSettings(const DisplaySettings &settings);
    // A service's report replaces its last one.
    void setStatus(const QString &service, const QVariantMap &status);

    double airTemp() const { return shown("airTemp"); }
    double airTempH() const { return shown("airTempH"); }
    double airTempL() const { return shown("airTempL"); }
    double dewPoint() const { return shown("dewPoint"); }
    double humidity() const { return shown("humidity"); }
    double humidityH() const { return shown("humidityH"); }
    double humidityL() const { return shown("humidityL"); }
    double pressure() const { return shown("pressure"); }
    double pressureH() const { return shown("pressureH"); }
    double pressureL() const { return shown("pressureL"); }
    double pressureTrend() const { return shown("pressureTrend"); }
    double pressureRaw() const { return shown("pressureRaw"); }
    double pressureTemp() const { return shown("pressureTemp"); }
    double altimeter() const { return shown("altimeter"); }
    double highAltimeter() const { return shown("highAltimeter"); }
    double lowAltimeter() const { return shown("lowAltimeter"); }
    double altimeterRaw() const { return shown("altimeterRaw"); }
    double wind() const { return shown("wind"); }
    double windDir() const { return shown("windDir"); }
    double wind2() const { return shown("wind2"); }
    double windDir2() const { return shown("windDir2"); }
    double wind10() const { return shown("wind10"); }
    double windDir10() const { return shown("windDir10"); }
    double windGust() const { return shown("windGust"); }
    double windDirGust() const { return shown("windDirGust"); }
    int rainUnits() const { return int(shown("rainUnits")); }
    double rainDay() const { return shown("rainDay"); }
    double rainRate() const { return shown("rainRate"); }
    int lightningStatus() const { return int(shown("lightningStatus")); }
    double lightningDistance() const { return shown("lightningDistance"); }
    int lightning10() const { return int(shown("lightning10")); }
    int lightning30() const { return int(shown("lightning30")); }
    int lightning60() const { return int(shown("lightning60")); }
    double heatIndex() const { return shown("heatIndex"); }
    double windChill() const { return shown("windChill"); }
    double solarRadiation() const { return shown("solarRadiation"); }
    double wbgt() const { return shown("wbgt"); }
    double humidex() const { return shown("humidex"); }
    double densityAltitude() const { return shown("densityAltitude"); }
    double estimatedCloudBase() const { return shown("estimatedCloudBase"); }
    QString pressureTrendText() const;
    QString metar() const { return values.metar; }
    bool hasReading() const { return values.hasReading; }
    QString deviceSerialNumber() const { return values.deviceSerialNumber; }
    // "Never", or when the portal last accepted an upload.
    QString lastQuorinLive() const;
    QStringList recentClients() const;
    bool gatewayListening() const;
    QString gatewayState() const;
    QString gatewayHint() const;
    QString linkFailureText() const;
    QVariantMap services() const { return reports; }

    Q_INVOKABLE void quit();
    Q_INVOKABLE void restart();
    Q_INVOKABLE void start();
    Q_INVOKABLE void startThread();
    Q_INVOKABLE QString wbgtColor() const;

public slots:
    // The rest of what QML could always reach on "ModbusPort": the
    // acquisition's timers, and the reports of the portal upload and the
    // gateway, which now arrive through setStatus().
    void secTimerTimeout();
    void updateTimerTimeout();
    void setLastQuorinLive(const QString &text);
    void setRecentClients(const QStringList &clients);
    void setGatewayState(bool listening, const QString &state, const QString &hint);

signals:
    void airTempChanged();
    void humidityChanged();
    void pressureChanged();
    void windChanged();
    void lightningChanged();
    void calcChanged();
    void analogChanged();
    // After the change signals of a good cycle: data came. They also fire
    // when a unit or a new day changes what the values read as.
    void dataReceived();
    void openPortFailed();
    void openSocketFailed();
    // An upload to the portal fell due.
    void sendToQuorinLive();
    void lastQuorinLiveChanged();
    void recentClientsChanged();
    void gatewayStateChanged();
    void linkFailureTextChanged();
    void servicesChanged();
    // Passed on from the acquisition: every cycle (emitted on its thread),
    // and quit() called.
    void cyclePublished(CyclePtr cycle);
    void quitRequested();

private:
    // A number of the table in the display units of the moment.
    double shown(const char *name) const;
    // The daily extremes restart empty (a new day began).
    void startDay();
    // The seven change signals, in their fixed order.
    void emitValuesChanged();
    QVariant reported(const char *service, const char *field) const;
    void amendStatus(const QString &service, const QVariantMap &fields);

    QModbus *acquisition;
    StationValues values;
    DisplaySettings current;
    QVariantMap reports;
};
