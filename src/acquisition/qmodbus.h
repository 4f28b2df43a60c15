#pragma once

#include "dailyextremes.h"
#include "passrequests.h"
#include "registerimage.h"
#include "settings/linkrestarter.h"
#include "stationcycle.h"
#include "stationdata.h"
#include "stationlink.h"

#include <QDateTime>
#include <QMutex>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QTimer;
class StationLink;
class SysSettings;

// The acquisition object published to QML as "ModbusPort". The object lives in
// the main thread (timers, getters); its run() is the acquisition thread,
// which owns the station link and polls it once per update tick. Each cycle's
// values are published whole as one snapshot, so a getter never mixes two
// cycles, and each cycle goes out as one immutable StationCycle: to the sinks
// on the acquisition thread, and queued to everyone else by cyclePublished.
class QModbus : public QThread, public LinkRestarter
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
    Q_PROPERTY(QString lastQuorinLive READ lastQuorinLive NOTIFY lastQuorinLiveChanged)
    Q_PROPERTY(QStringList recentClients READ recentClients NOTIFY recentClientsChanged)
    Q_PROPERTY(QString deviceSerialNumber READ deviceSerialNumber CONSTANT)
    // The gateway's port as it really is, for the Modbus page.
    Q_PROPERTY(bool gatewayListening READ gatewayListening NOTIFY gatewayStateChanged)
    Q_PROPERTY(QString gatewayState READ gatewayState NOTIFY gatewayStateChanged)
    Q_PROPERTY(QString gatewayHint READ gatewayHint NOTIFY gatewayStateChanged)
    // Why the link last failed to open, for the error dialog: in place on the
    // main thread when the queued openPortFailed / openSocketFailed of that
    // failure arrive there; empty once the link opens.
    Q_PROPERTY(QString linkFailureText READ linkFailureText NOTIFY linkFailureTextChanged)

public:
    using Clock = std::function<QDateTime()>;
    // Makes the link for one pass (tcp: ReadMode is not 0). A transaction
    // must give up soon after `interrupt` is raised.
    using LinkFactory = std::function<std::unique_ptr<StationLink>(
            bool tcp, RegisterImage &image, const std::atomic<bool> *interrupt)>;

    // `settings` must outlive this object. The clock gives local time; tests
    // inject one to cross midnight.
    explicit QModbus(SysSettings *settings, QObject *parent = nullptr);
    ~QModbus() override;

    void setClock(Clock clock);
    // For tests; set before the thread starts.
    void setLinkFactory(LinkFactory factory) { linkFactory = std::move(factory); }
    void setRetryInterval(int milliseconds) { retryIntervalMs = milliseconds; }
    // Called on the acquisition thread with every published cycle; add before
    // the thread starts. The sink must outlive the thread.
    void addCycleSink(CycleSink *sink) { sinks.push_back(sink); }

    double airTemp() const;
    double airTempH() const;
    double airTempL() const;
    double dewPoint() const;
    double humidity() const;
    double humidityH() const;
    double humidityL() const;
    double pressure() const;
    double pressureH() const;
    double pressureL() const;
    double pressureTrend() const;
    QString pressureTrendText() const;
    double pressureRaw() const;
    double pressureTemp() const;
    double altimeter() const;
    double highAltimeter() const;
    double lowAltimeter() const;
    double altimeterRaw() const;
    double wind() const;
    double windDir() const;
    double wind2() const;
    double windDir2() const;
    double wind10() const;
    double windDir10() const;
    double windGust() const;
    double windDirGust() const;
    int rainUnits() const;
    double rainDay() const;
    double rainRate() const;
    int lightningStatus() const;
    double lightningDistance() const;
    int lightning10() const;
    int lightning30() const;
    int lightning60() const;
    double heatIndex() const;
    double windChill() const;
    double solarRadiation() const;
    double wbgt() const;
    double humidex() const;
    double densityAltitude() const;
    double estimatedCloudBase() const;
    QString metar() const;
    // "Never", or when the portal last accepted an upload.
    QString lastQuorinLive() const;
    QStringList recentClients() const;
    QString deviceSerialNumber() const;
    bool gatewayListening() const { return gatewayListeningValue; }
    QString gatewayState() const { return gatewayStateText; }
    QString gatewayHint() const { return gatewayHintText; }
    QString linkFailureText() const;

    // The whole published snapshot.
    StationValues values() const;
    QDateTime now() const { return clock(); }

    const RegisterImage &registers() const { return registerImage; }
    bool dataMissing() const { return registerImage.dataMissing(); }
    bool isThreadRunning() const { return threadRunning.load(); }

    // How long the failure wait lasts before the link is tried again by
    // itself, and how many failed data reads in a row end a link pass.
    static constexpr int DefaultRetryIntervalMs = 10000;
    static constexpr int MaxConsecutiveFailures = 10;

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
    void sendToQuorinLive();
    void lastQuorinLiveChanged();
    void recentClientsChanged();
    void gatewayStateChanged();
    // Every cycle, good or failed, and each failed attempt to open the link.
    // Emitted on the acquisition thread.
    void cyclePublished(CyclePtr cycle);
    // quit() was called: the gateway stops taking connections with it.
    void quitRequested();
    void linkFailureTextChanged();

public slots:
    void secTimerTimeout();
    void updateTimerTimeout();
    // What the uploader and the gateway report, for the pages to show.
    void setLastQuorinLive(const QString &text);
    void setRecentClients(const QStringList &clients);
    void setGatewayState(bool listening, const QString &state, const QString &hint);

public:
    Q_INVOKABLE void quit();
    Q_INVOKABLE void restart() override;
    // Starts the acquisition thread; hides QThread::start so that every start
    // goes through the request bookkeeping.
    Q_INVOKABLE void start();
    Q_INVOKABLE void startThread();
    Q_INVOKABLE QString wbgtColor() const;

protected:
    void run() override;

private:
    enum class PassEnd { Stop, Restart, Lost };

    void failureWait(bool tcp);
    PassEnd pollLoop(StationLink &link);
    bool pollCycle(StationLink &link);
    bool interrupted() const
    {
        return requests.stopRequested() || requests.restartRequested();
    }
    void applyPendingNewDay();
    void publish();
    // The seven change signals, in their fixed order.
    void emitValuesChanged();
    void setLinkFailureText(const QString &text);
    void publishCycle(StationCycle::Kind kind);
    void requestStop();
    void napMs(int milliseconds) const;

    template<typename F>
    auto read(F field) const
    {
        QMutexLocker locker(&valuesMutex);
        return field(published);
    }

    SysSettings *settings;
    Clock clock;
    LinkFactory linkFactory;
    int retryIntervalMs = DefaultRetryIntervalMs;

    PassRequests requests;
    std::atomic<bool> threadRunning { false };
    std::atomic<bool> updateDue { false };
    std::atomic<bool> newDayPending { false };

    std::vector<CycleSink *> sinks;
    QTimer *secTimer = nullptr;
    QTimer *updateTimer = nullptr;
    NewDayDetector newDay;

    RegisterImage registerImage;

    // Written only by the acquisition thread (or by the main thread while the
    // acquisition thread is not running).
    StationValues working;
    int consecutiveFailures = 0;
    bool passPublished = false; // a cycle of this link pass went out
    bool reportedOpenFailure = false;

    mutable QMutex valuesMutex;
    StationValues published;

    // Main thread only.
    QString linkFailure;
    QString lastQuorinLiveText = QStringLiteral("Never");
    QStringList recentClientList;
    bool gatewayListeningValue = false;
    QString gatewayStateText;
    QString gatewayHintText;
};
