#include "qmodbus.h"

#include "cyclestep.h"
#include "heartbeat.h"
#include "quality/servedimage.h"
#include "quality/stationreadings.h"
#include "rtulink.h"
#include "settings/syssettings.h"
#include "tcplink.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTimer>

namespace {

Q_LOGGING_CATEGORY(stationAlert, "skyquill.alert.station")

} // namespace

QModbus::QModbus(SysSettings *store, QObject *parent)
    : QThread(parent)
    , settings(store)
    , clock([] { return QDateTime::currentDateTime(); })
    , linkFactory([](bool tcp, RegisterImage &image,
                      const std::atomic<bool> *interrupt) -> std::unique_ptr<StationLink> {
        if (tcp)
            return std::make_unique<TcpLink>(image, interrupt);
        return std::make_unique<RtuLink>(image, interrupt);
    })
    , newDay(QDate::currentDate())
{
    qRegisterMetaType<CyclePtr>("CyclePtr");

    secTimer = new QTimer(this);
    connect(secTimer, &QTimer::timeout, this, &QModbus::secTimerTimeout);
    secTimer->start(1000);

    updateTimer = new QTimer(this);
    connect(updateTimer, &QTimer::timeout, this, &QModbus::updateTimerTimeout);
    updateTimer->start(settings->updateTime());
}

QModbus::~QModbus()
{
    requestStop();
    // However long a transaction takes, the object must not die under its
    // thread: the link honours the stop within one nap, so this returns soon.
    wait();
}

void QModbus::setClock(Clock source)
{
    clock = std::move(source);
    newDay = NewDayDetector(clock().date());
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
    // Every wait of this thread between cycles and before a retry naps here.
    heartbeat::beat();
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

// --- the acquisition thread ---------------------------------------------------------

void QModbus::run()
{
    requests.runBegins();
    threadRunning = true;
    reportedOpenFailure = false;
    startPublished = false;

    while (!requests.stopRequested()) {
        // A pass the user asked for may fail anew and deserves its own dialog.
        if (requests.beginPass()) {
            reportedOpenFailure = false;
            startPublished = false;
        }
        qDebug() << "QModbus: Thread Started...";

        const bool tcp = settings->readMode() != 0;
        std::unique_ptr<StationLink> link = linkFactory(tcp, registerImage, requests.interrupt());
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
            qDebug() << "QModbus: No data in" << consecutiveFailures
                     << "cycles, reopening the link";
            return PassEnd::Lost;
        }
    }
}

bool QModbus::pollCycle(StationLink &link)
{
    qDebug() << "update running" << clock().time();

    quint16 status[RegisterImage::StatusCount];
    int result
        = link.readRegisters(1, 3, RegisterImage::StatusFirst, RegisterImage::StatusCount, status);
    if (result == RegisterImage::StatusCount)
        decodeStatusBlock(status, working);
    else
        qDebug() << "No battery data received, error: " << result;
    if (interrupted())
        return false;

    quint16 data[RegisterImage::DataCount];
    // The gateway goes on serving the last checked block until this one is.
    registerImage.holdData();
    quality::DataQuality::Served served;
    const auto serve = [this, &served](quint8 *wire) {
        if (served.which.any())
            quality::encodeServed(
                wire, served.values, served.which, quality::solarRegister(working));
    };
    result = link.readRegisters(1, 3, RegisterImage::DataFirst, RegisterImage::DataCount, data);
    if (interrupted()) {
        registerImage.dropData();
        return false;
    }

    const bool good = result == RegisterImage::DataCount;
    if (good) {
        {
            QMutexLocker locker(&qualityMutex);
            if (pendingQuality) {
                dataChecks.setSettings(*pendingQuality);
                pendingQuality.reset();
            }
        }
        served = applyDataBlock(working, data, clock(), &dataChecks);
        if (!working.rejected.isEmpty() || rejectedTotals.isEmpty())
            rejectedTotals = dataChecks.rejections().byKey();
        registerImage.setDataMissing(false);
        consecutiveFailures = 0;
    } else {
        qDebug() << "No data received";
        if (consecutiveFailures == 0)
            qCWarning(stationAlert).noquote()
                << "No reading from the station:" << modbus::resultText(result);
        registerImage.setDataMissing(true);
        ++consecutiveFailures;
    }
    registerImage.commitData(serve);
    publishCycle(good ? StationCycle::Kind::Good : StationCycle::Kind::Failed);
    return good;
}

void QModbus::publishCycle(StationCycle::Kind kind)
{
    auto cycle = std::make_shared<StationCycle>();
    cycle->kind = kind;
    cycle->firstOfPass = kind != StationCycle::Kind::NoLink && !passPublished;
    cycle->firstSinceStart = kind != StationCycle::Kind::NoLink && !startPublished;
    if (kind != StationCycle::Kind::NoLink)
        passPublished = startPublished = true;
    cycle->values = working;
    cycle->registers = registerImage.snapshot();
    cycle->dataMissing = registerImage.dataMissing();
    cycle->local = clock();
    cycle->utc = cycle->local.toUTC();
    cycle->rejectedTotals = rejectedTotals;
    heartbeat::beat();
    for (CycleSink *sink : sinks)
        sink->takeCycle(*cycle);
    emit cyclePublished(std::move(cycle));
}

void QModbus::setQualitySettings(const quality::QualitySettings &s)
{
    QMutexLocker locker(&qualityMutex);
    pendingQuality = s;
}

void QModbus::setLinkFailureText(const QString &text)
{
    if (!text.isEmpty())
        qCWarning(stationAlert).noquote() << "Station link cannot be opened:" << text;
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
    emit dailyExtremesReset();
}
