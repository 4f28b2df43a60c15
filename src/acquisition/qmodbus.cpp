#include "qmodbus.h"

#include "cyclestep.h"
#include "meteo/conversion.h"
#include "meteo/derived.h"
#include "rtulink.h"
#include "settings/syssettings.h"
#include "tcplink.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QTimer>

QModbus::QModbus(SysSettings *settings, QObject *parent)
    : QThread(parent),
      settings(settings),
      clock([] { return QDateTime::currentDateTime(); }),
      linkFactory([](bool tcp, RegisterImage &image, const std::atomic<bool> *interrupt)
                          -> std::unique_ptr<StationLink> {
          if (tcp)
              return std::make_unique<TcpLink>(image, interrupt);
          return std::make_unique<RtuLink>(image, interrupt);
      }),
      newDay(QDate::currentDate())
{
    qRegisterMetaType<CyclePtr>("CyclePtr");

    secTimer = new QTimer(this);
    connect(secTimer, &QTimer::timeout, this, &QModbus::secTimerTimeout);
    secTimer->start(1000);

    updateTimer = new QTimer(this);
    connect(updateTimer, &QTimer::timeout, this, &QModbus::updateTimerTimeout);
    updateTimer->start(settings->updateTime());

    // The getters convert at the moment of the call, so a new unit changes
    // what every value reads as.
    connect(settings, &SysSettings::unitsChanged, this, &QModbus::emitValuesChanged);
}

QModbus::~QModbus()
{
    requestStop();
    // However long a transaction takes, the object must not die under its
    // thread: the link honours the stop within one nap, so this returns soon.
    wait();
}

void QModbus::setClock(Clock clock)
{
    this->clock = std::move(clock);
    newDay = NewDayDetector(this->clock().date());
}

// --- control ------------------------------------------------------------------

void QModbus::updateTimerTimeout()
{
    updateDue = true;
}

void QModbus::restart()
{
    qDebug() << "Restarting because settings changed";
    requests.requestRestart();
    updateDue = true;
    updateTimer->start(settings->updateTime());
}

void QModbus::startThread()
{
    start();
}

void QModbus::start()
{
    // A run that has ended but whose thread still winds down: QThread would
    // ignore a start now, so let it finish first.
    if (requests.idle() && isRunning())
        wait();
    requests.starting();
    QThread::start();
}

void QModbus::quit()
{
    emit quitRequested();
    requestStop();
}

void QModbus::requestStop()
{
    // A stop counts for a run that is starting or running, so one raised
    // before run() began is still seen and one raised as a run winds down is
    // not left for the next.
    requests.requestStop();
    for (int i = 0; i < 10 && threadRunning; ++i)
        QThread::msleep(50);
}

void QModbus::napMs(int milliseconds) const
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

// --- the acquisition thread ---------------------------------------------------------

void QModbus::run()
{
    requests.runBegins();
    threadRunning = true;
    reportedOpenFailure = false;

    while (!requests.stopRequested()) {
        // A pass the user asked for may fail anew and deserves its own dialog.
        if (requests.beginPass())
            reportedOpenFailure = false;
        qDebug() << "QModbus: Thread Started...";

        const bool tcp = settings->readMode() != 0;
        std::unique_ptr<StationLink> link
                = linkFactory(tcp, registerImage, requests.interrupt());
        if (!link || !link->open(*settings)) {
            // Ahead of the signal, which the dialog answers by reading it.
            setLinkFailureText(link ? link->openFailure() : QString());
            if (!reportedOpenFailure) {
                reportedOpenFailure = true;
                if (tcp)
                    emit openSocketFailed();
                else
                    emit openPortFailed();
            }
            registerImage.setDataMissing(true);
            publishCycle(StationCycle::Kind::NoLink);
            failureWait(tcp);
            continue;
        }

        reportedOpenFailure = false;
        setLinkFailureText(QString());
        const PassEnd end = pollLoop(*link);
        qDebug() << "QModbus: Ending Thread";
        link->close();
        if (end == PassEnd::Lost)
            qDebug() << "QModbus: Station link lost, reopening";
    }

    requests.runEnds();
    threadRunning = false;
}

void QModbus::failureWait(bool tcp)
{
    QElapsedTimer waited;
    waited.start();
    while (!interrupted()) {
        applyPendingNewDay();
        if (waited.elapsed() >= retryIntervalMs) {
            qDebug() << (tcp ? "QModbus: Retrying the station connection"
                             : "QModbus: Retrying the serial port");
            return;
        }
        napMs(50);
    }
}

QModbus::PassEnd QModbus::pollLoop(StationLink &link)
{
    consecutiveFailures = 0;
    passPublished = false;
    for (;;) {
        applyPendingNewDay();
        if (requests.stopRequested())
            return PassEnd::Stop;
        if (requests.restartRequested())
            return PassEnd::Restart;
        if (!updateDue.exchange(false)) {
            napMs(50);
            continue;
        }
        if (requests.stopRequested())
            return PassEnd::Stop;
        if (requests.restartRequested())
            return PassEnd::Restart;

        pollCycle(link);

        if (link.isLost()) {
            qDebug() << "QModbus: Station link reported gone";
            return PassEnd::Lost;
        }
        if (consecutiveFailures >= MaxConsecutiveFailures) {
            qDebug() << "QModbus: No data in" << consecutiveFailures << "cycles, reopening the link";
            return PassEnd::Lost;
        }
    }
}

bool QModbus::pollCycle(StationLink &link)
{
    qDebug() << "update running" << clock().time();

    quint16 status[RegisterImage::StatusCount];
    int result = link.readRegisters(1, 3, RegisterImage::StatusFirst, RegisterImage::StatusCount,
                                    status);
    if (result == RegisterImage::StatusCount)
        decodeStatusBlock(status, working);
    else
        qDebug() << "No battery data received, error: " << result;
    if (interrupted())
        return false;

    quint16 data[RegisterImage::DataCount];
    result = link.readRegisters(1, 3, RegisterImage::DataFirst, RegisterImage::DataCount, data);
    if (interrupted())
        return false;

    const bool good = result == RegisterImage::DataCount;
    if (good) {
        applyDataBlock(working, data, clock());
        registerImage.setDataMissing(false);
        consecutiveFailures = 0;
        publish();
        emitValuesChanged();
        emit dataReceived();
    } else {
        qDebug() << "No data received";
        registerImage.setDataMissing(true);
        ++consecutiveFailures;
        publish(); // the status block may have changed
    }
    publishCycle(good ? StationCycle::Kind::Good : StationCycle::Kind::Failed);
    return good;
}

void QModbus::emitValuesChanged()
{
    emit airTempChanged();
    emit humidityChanged();
    emit pressureChanged();
    emit windChanged();
    emit lightningChanged();
    emit calcChanged();
    emit analogChanged();
}

void QModbus::publishCycle(StationCycle::Kind kind)
{
    auto cycle = std::make_shared<StationCycle>();
    cycle->kind = kind;
    cycle->firstOfPass = kind != StationCycle::Kind::NoLink && !passPublished;
    if (kind != StationCycle::Kind::NoLink)
        passPublished = true;
    cycle->values = working;
    cycle->registers = registerImage.snapshot();
    cycle->dataMissing = registerImage.dataMissing();
    cycle->local = clock();
    cycle->utc = cycle->local.toUTC();
    for (CycleSink *sink : sinks)
        sink->takeCycle(*cycle);
    emit cyclePublished(std::move(cycle));
}

void QModbus::setLinkFailureText(const QString &text)
{
    if (!text.isEmpty())
        qDebug().noquote() << "QModbus: Link failure:" << text;
    // Queued like the failure signals that follow, so each of them finds
    // its own text in place, however many are still on their way.
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            if (linkFailure == text)
                return;
            linkFailure = text;
            emit linkFailureTextChanged();
        },
        Qt::QueuedConnection);
}

QString QModbus::linkFailureText() const
{
    return linkFailure;
}

void QModbus::publish()
{
    QMutexLocker locker(&valuesMutex);
    published = working;
}

// --- new day ------------------------------------------------------------------

void QModbus::secTimerTimeout()
{
    if (!newDay.tick(clock().date()))
        return;
    qDebug() << "New day detected";
    newDayPending = true;
    // With no acquisition thread to hand the reset to, do it here: nothing
    // else writes the values then.
    if (!isRunning())
        applyPendingNewDay();
}

void QModbus::applyPendingNewDay()
{
    if (!newDayPending.exchange(false))
        return;
    resetDailyExtremes(working);
    publish();
    emitValuesChanged();
}

// --- getters ------------------------------------------------------------------

StationValues QModbus::values() const
{
    return read([](const StationValues &v) { return v; });
}

double QModbus::airTemp() const
{
    const int units = settings->getTemperatureUnits();
    return read([units](const StationValues &v) { return meteo::convertTemperature(v.airTemp, units); });
}

double QModbus::airTempH() const
{
    const int units = settings->getTemperatureUnits();
    return read([units](const StationValues &v) {
        return meteo::convertTemperatureHigh(v.airTempH, units);
    });
}

double QModbus::airTempL() const
{
    const int units = settings->getTemperatureUnits();
    return read([units](const StationValues &v) {
        return meteo::convertTemperatureLow(v.airTempL, units);
    });
}

double QModbus::dewPoint() const
{
    const int units = settings->getTemperatureUnits();
    return read([units](const StationValues &v) { return meteo::convertTemperature(v.dewPoint, units); });
}

double QModbus::humidity() const
{
    return read([](const StationValues &v) { return v.humidity; });
}

double QModbus::humidityH() const
{
    return read([](const StationValues &v) { return v.humidityH; });
}

double QModbus::humidityL() const
{
    return read([](const StationValues &v) { return v.humidityL; });
}

double QModbus::pressure() const
{
    const int units = settings->getPressureUnits();
    const int adjustment = settings->getPressureAdjustment();
    return read([=](const StationValues &v) {
        return meteo::convertPressure(meteo::selectPressure(v.pressure, v.pressureRaw, adjustment),
                                      units);
    });
}

double QModbus::pressureH() const
{
    const int units = settings->getPressureUnits();
    const int adjustment = settings->getPressureAdjustment();
    return read([=](const StationValues &v) {
        return meteo::convertPressureHigh(
                meteo::selectPressure(v.pressureH, v.pressureRawH, adjustment), units);
    });
}

double QModbus::pressureL() const
{
    const int units = settings->getPressureUnits();
    const int adjustment = settings->getPressureAdjustment();
    return read([=](const StationValues &v) {
        return meteo::convertPressureLow(
                meteo::selectPressure(v.pressureL, v.pressureRawL, adjustment), units);
    });
}

double QModbus::pressureTrend() const
{
    return read([](const StationValues &v) { return v.pressureTrend; });
}

QString QModbus::pressureTrendText() const
{
    return ::pressureTrendText(pressureTrend());
}

double QModbus::pressureRaw() const
{
    const int units = settings->getPressureUnits();
    return read([units](const StationValues &v) { return meteo::convertPressure(v.pressureRaw, units); });
}

double QModbus::pressureTemp() const
{
    return read([](const StationValues &v) { return v.pressureTemp; });
}

double QModbus::altimeter() const
{
    const int units = settings->getPressureUnits();
    return read([units](const StationValues &v) { return meteo::convertPressure(v.altimeter, units); });
}

double QModbus::highAltimeter() const
{
    const int units = settings->getPressureUnits();
    return read([units](const StationValues &v) {
        return meteo::convertPressureHigh(v.highAltimeter, units);
    });
}

double QModbus::lowAltimeter() const
{
    const int units = settings->getPressureUnits();
    return read([units](const StationValues &v) {
        return meteo::convertPressureLow(v.lowAltimeter, units);
    });
}

double QModbus::altimeterRaw() const
{
    return pressureRaw();
}

double QModbus::wind() const
{
    const int units = settings->getSpeedUnits();
    return read([units](const StationValues &v) { return meteo::convertSpeed(v.wind, units); });
}

double QModbus::windDir() const
{
    return read([](const StationValues &v) { return v.windDir; });
}

double QModbus::wind2() const
{
    const int units = settings->getSpeedUnits();
    return read([units](const StationValues &v) { return meteo::convertSpeed(v.wind2, units); });
}

double QModbus::windDir2() const
{
    return read([](const StationValues &v) { return v.windDir2; });
}

double QModbus::wind10() const
{
    const int units = settings->getSpeedUnits();
    return read([units](const StationValues &v) { return meteo::convertSpeed(v.wind10, units); });
}

double QModbus::windDir10() const
{
    return read([](const StationValues &v) { return v.windDir10; });
}

double QModbus::windGust() const
{
    const int units = settings->getSpeedUnits();
    return read([units](const StationValues &v) { return meteo::convertSpeed(v.windGust, units); });
}

double QModbus::windDirGust() const
{
    return read([](const StationValues &v) { return v.windDirGust; });
}

int QModbus::rainUnits() const
{
    return read([](const StationValues &v) { return v.rainUnits; });
}

double QModbus::rainDay() const
{
    return read([](const StationValues &v) { return v.rainDay; });
}

double QModbus::rainRate() const
{
    return read([](const StationValues &v) { return v.rainRate; });
}

int QModbus::lightningStatus() const
{
    return read([](const StationValues &v) { return v.lightningStatus; });
}

double QModbus::lightningDistance() const
{
    const int units = settings->getDistanceUnits();
    return read([units](const StationValues &v) {
        return meteo::convertDistance(v.lightningDistance, units);
    });
}

int QModbus::lightning10() const
{
    return read([](const StationValues &v) { return v.lightning10; });
}

int QModbus::lightning30() const
{
    return read([](const StationValues &v) { return v.lightning30; });
}

int QModbus::lightning60() const
{
    return read([](const StationValues &v) { return v.lightning60; });
}

double QModbus::heatIndex() const
{
    const int units = settings->getTemperatureUnits();
    return read([units](const StationValues &v) {
        return meteo::convertTemperatureIndex(v.heatIndex, units);
    });
}

double QModbus::windChill() const
{
    const int units = settings->getTemperatureUnits();
    return read([units](const StationValues &v) {
        return meteo::convertTemperatureIndex(v.windChill, units);
    });
}

double QModbus::solarRadiation() const
{
    return read([](const StationValues &v) { return ::solarRadiation(v); });
}

double QModbus::wbgt() const
{
    const int units = settings->getTemperatureUnits();
    return read([units](const StationValues &v) {
        return meteo::convertTemperatureIndex(v.wbgt, units);
    });
}

double QModbus::humidex() const
{
    return read([](const StationValues &v) { return v.humidex; });
}

double QModbus::densityAltitude() const
{
    return read([](const StationValues &v) { return double(v.densityAltitude); });
}

double QModbus::estimatedCloudBase() const
{
    return read([](const StationValues &v) { return double(v.estimatedCloudBase); });
}

QString QModbus::metar() const
{
    return read([](const StationValues &v) { return v.metar; });
}

QString QModbus::lastQuorinLive() const
{
    return lastQuorinLiveText;
}

void QModbus::setLastQuorinLive(const QString &text)
{
    lastQuorinLiveText = text;
    emit lastQuorinLiveChanged();
}

QStringList QModbus::recentClients() const
{
    return recentClientList;
}

void QModbus::setRecentClients(const QStringList &clients)
{
    recentClientList = clients;
    emit recentClientsChanged();
}

void QModbus::setGatewayState(bool listening, const QString &state, const QString &hint)
{
    gatewayListeningValue = listening;
    gatewayStateText = state;
    gatewayHintText = hint;
    emit gatewayStateChanged();
}

QString QModbus::deviceSerialNumber() const
{
    return read([](const StationValues &v) { return v.deviceSerialNumber; });
}

QString QModbus::wbgtColor() const
{
    const double stored = read([](const StationValues &v) { return v.wbgt; });
    return meteo::wbgtColor(stored, settings->theme());
}
