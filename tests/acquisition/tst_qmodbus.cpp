#include "acquisition/qmodbus.h"
#include "settings/syssettings.h"
#include "support/fakestation.h"
#include "support/localportal.h"
#include "support/logcapture.h"
#include "support/shownvalues.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// Never opens; each attempt has a reason of its own.
class RefusingLink : public StationLink
{
public:
    explicit RefusingLink(std::atomic<int> &counter)
        : attempts(counter)
    {
    }
    bool open(const SysSettings &) override
    {
        attempt = ++attempts;
        return false;
    }
    QString openFailure() const override { return QStringLiteral("Reason %1.").arg(attempt); }
    int readRegisters(quint8, quint8, int, int, quint16 *) override { return 0; }
    void close() override { }
    bool isLost() const override { return false; }

private:
    std::atomic<int> &attempts;
    int attempt = 0;
};

} // namespace

class TestQModbus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { keepPortalUploadsLocal(); }

    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<SysSettings>(dir->path());
        station = std::make_unique<FakeStation>();
        log = std::make_unique<LogCapture>();
        modbus = std::make_unique<QModbus>(settings.get());
        modbus->setLinkFactory(fakeStationFactory(*station));
        shown = std::make_unique<ShownValues>(*modbus, *settings);
    }

    void cleanup()
    {
        shown.reset();
        modbus.reset();
        log.reset();
    }

    void wholeCycleFromRegistersToDisplayUnits()
    {
        FakeStation &s = *station;
        s.setStatus(103, 0x0001);
        s.setStatus(104, 0x86A0);
        s.setData(204, 36); // 2-minute wind 3.6 m/s
        s.setData(205, 2470); // from 247 degrees
        s.setData(222, 214); // 21.4 C
        s.setData(223, 555); // 55.5 %
        s.setData(224, 10132); // station pressure 1013.2 hPa
        s.setData(225, quint16(-2)); // trend code
        s.setData(241, quint16(-9990)); // heat index not available
        s.setData(245, 0x4348); // analog 1 = 200.0
        s.setData(249, 96); // dew point 9.6 C
        s.setData(251, 10150); // sea-level pressure 1015.0 hPa
        s.setData(252, 266); // WBGT 26.6
        s.setData(253, 250); // humidex 25.0
        s.setData(261, 3); // analog 1 is a solar sensor
        s.setData(263, 1);
        s.setData(264, 0); // no elevation: no altimeter groups in the METAR

        modbus->setClock(
            [] { return QDateTime(QDate(2026, 3, 6), QTime(14, 5), Qt::UTC).toLocalTime(); });
        settings->setTemperatureUnits(1);
        settings->setPressureUnits(2);
        settings->setSpeedUnits(3);

        QStringList order;
        QMutex orderMutex;
        const char *names[] = { "airTempChanged", "humidityChanged", "pressureChanged",
            "windChanged", "lightningChanged", "calcChanged", "analogChanged" };
        void (StationDisplay::*sigs[])() = { &StationDisplay::airTempChanged,
            &StationDisplay::humidityChanged, &StationDisplay::pressureChanged,
            &StationDisplay::windChanged, &StationDisplay::lightningChanged,
            &StationDisplay::calcChanged, &StationDisplay::analogChanged };
        for (int i = 0; i < 7; ++i) {
            const QString name = QString::fromLatin1(names[i]);
            connect(
                shown.get(), sigs[i], this,
                [&, name] {
                    QMutexLocker l(&orderMutex);
                    order.append(name);
                },
                Qt::DirectConnection);
        }
        QSignalSpy analog(shown.get(), &StationDisplay::analogChanged);

        modbus->updateTimerTimeout();
        modbus->start();
        QVERIFY(analog.wait(5000));
        {
            QMutexLocker l(&orderMutex);
            QCOMPARE(order.mid(0, 7),
                QStringList({ "airTempChanged", "humidityChanged", "pressureChanged", "windChanged",
                    "lightningChanged", "calcChanged", "analogChanged" }));
        }

        QVERIFY(shown->hasReading());
        QCOMPARE(shown->airTemp(), 21.4 * 1.8 + 32);
        QCOMPARE(shown->dewPoint(), 9.6 * 1.8 + 32);
        QCOMPARE(shown->airTempH(), 21.4 * 1.8 + 32);
        QCOMPARE(shown->heatIndex(), -999.0);
        QCOMPARE(shown->humidex(), 25.0);
        QCOMPARE(shown->humidity(), 55.5);
        QCOMPARE(shown->pressure(), 1015.0 * 0.0295333727);
        QCOMPARE(shown->pressureRaw(), 1013.2 * 0.0295333727);
        QCOMPARE(shown->altimeter(), (1013.2 - 0.3) * 0.0295333727);
        QCOMPARE(shown->wind2(), 3.6 * 1.94384449244);
        QCOMPARE(shown->windDir2(), 247.0);
        QCOMPARE(shown->pressureTrendText(), QStringLiteral("Falling Fast"));
        QCOMPARE(shown->solarRadiation(), 200.0);
        QCOMPARE(shown->estimatedCloudBase(), 4600.0); // (21.4 - 9.6) / 2.54 * 1000 = 4645.7
        QCOMPARE(shown->wbgtColor(), QStringLiteral("#9999FF"));
        QCOMPARE(shown->deviceSerialNumber(), QStringLiteral("100000"));
        QCOMPARE(
            shown->metar(), QStringLiteral("<b>METAR</b> 061405Z AUTO 25007KT 21/10 RMK AO1="));
        QVERIFY(!modbus->dataMissing());

        // Units apply at the moment of reading: nothing stored changes.
        settings->setTemperatureUnits(0);
        settings->setPressureAdjustment(1);
        settings->setPressureUnits(0);
        QCOMPARE(shown->airTemp(), 21.4);
        QCOMPARE(shown->pressure(), 1013.2);

        // The image holds the wire bytes of both blocks.
        const QByteArray image = modbus->registers().snapshot();
        QCOMPARE(quint8(image.at(4)), quint8(0x00));
        QCOMPARE(quint8(image.at(6)), quint8(0x86));
        QCOMPARE(quint8(image.at(22 + 2 * (222 - 201) + 1)), quint8(214));
    }

    void sentinelsBeforeTheFirstReading()
    {
        settings->setTemperatureUnits(1);
        settings->setPressureUnits(2);
        QCOMPARE(shown->airTempH(), -10000.0);
        QCOMPARE(shown->airTempL(), 10000.0);
        QCOMPARE(shown->pressureH(), -10000.0);
        QCOMPARE(shown->pressureL(), 10000.0);
        QCOMPARE(shown->highAltimeter(), -10000.0);
        QCOMPARE(shown->lowAltimeter(), 10000.0);
        QCOMPARE(shown->wbgt(), -999.0);
        QCOMPARE(shown->metar(), QStringLiteral("METAR"));
        QCOMPARE(shown->solarRadiation(), -1.0);
    }

    void failedDataReadKeepsValuesAndSetsDataMissing()
    {
        station->setData(222, 100);
        QSignalSpy air(shown.get(), &StationDisplay::airTempChanged);
        modbus->updateTimerTimeout();
        modbus->start();
        QVERIFY(air.wait(5000));
        settings->setTemperatureUnits(0);
        QCOMPARE(shown->airTemp(), 10.0);

        {
            QMutexLocker l(&station->mutex);
            station->dataResult = -5;
            station->statusResult = -1;
            station->setData(222, 300);
        }
        const int before = station->transactionCount();
        modbus->updateTimerTimeout();
        QTRY_VERIFY(station->transactionCount() >= before + 2);
        QTRY_VERIFY(log->contains(QStringLiteral("No data received")));
        QVERIFY(log->contains(QStringLiteral("No battery data received, error:  -1")));
        QVERIFY(modbus->dataMissing());
        // The console's own update timer may have let a good cycle in before
        // the station failed; from here on every cycle fails.
        const int good = air.count();
        const int failed = station->transactionCount();
        modbus->updateTimerTimeout();
        QTRY_VERIFY(station->transactionCount() >= failed + 2);
        QCOMPARE(air.count(), good);
        QCOMPARE(shown->airTemp(), 10.0);
    }

    void restartWhilePollingReopensOnceAndPollsAtOnce()
    {
        QSignalSpy air(shown.get(), &StationDisplay::airTempChanged);
        modbus->updateTimerTimeout();
        modbus->start();
        QVERIFY(air.wait(5000));
        QCOMPARE(station->openCount(), 1);

        log->clear();
        modbus->restart();
        modbus->restart(); // collapses into the same reopen
        QVERIFY(air.wait(5000)); // restart also makes a cycle due
        QCOMPARE(station->openCount(), 2);
        const QStringList lines = log->lines();
        const int ending = lines.indexOf(QStringLiteral("QModbus: Ending Thread"));
        const int started = lines.indexOf(QStringLiteral("QModbus: Thread Started..."));
        QVERIFY(ending >= 0);
        QVERIFY(started > ending);
    }

    void failedOpenReportsOnceThenRetriesQuietly()
    {
        station->openOk = false;
        modbus->setRetryInterval(100);
        QSignalSpy failed(modbus.get(), &QModbus::openPortFailed);
        modbus->start();
        QTRY_VERIFY(station->openCount() >= 4);
        QCOMPARE(failed.count(), 1);
        QVERIFY(modbus->dataMissing());
        QVERIFY(log->countStartingWith(QStringLiteral("QModbus: Retrying")) >= 3);

        // Restart asks anew: the next failure is reported again.
        modbus->restart();
        QTRY_COMPARE(failed.count(), 2);

        // The station comes back: the next retry reads it.
        {
            QMutexLocker l(&station->mutex);
            station->openOk = true;
        }
        QSignalSpy air(shown.get(), &StationDisplay::airTempChanged);
        modbus->updateTimerTimeout();
        QTRY_VERIFY(air.count() >= 1);
        QVERIFY(!modbus->dataMissing());
    }

    void eachFailureSignalFindsItsOwnReason()
    {
        std::atomic<int> attempts { 0 };
        modbus->setLinkFactory([&attempts](bool, RegisterImage &, const std::atomic<bool> *) {
            return std::unique_ptr<StationLink>(new RefusingLink(attempts));
        });
        QSemaphore emitted;
        connect(
            modbus.get(), &QModbus::openPortFailed, this, [&] { emitted.release(); },
            Qt::DirectConnection);
        QStringList read;
        connect(modbus.get(), &QModbus::openPortFailed, this,
            [&] { read.append(modbus->linkFailureText()); });

        modbus->start();
        QVERIFY(emitted.tryAcquire(1, 5000));
        modbus->restart();
        QVERIFY(emitted.tryAcquire(1, 5000));
        // Both failures are out before this thread has taken either of them.
        QCOMPARE(read, QStringList());
        QTRY_COMPARE(read, (QStringList { "Reason 1.", "Reason 2." }));
        QCOMPARE(modbus->linkFailureText(), QStringLiteral("Reason 2."));
    }

    void restartInFailureWaitReopensAtOnce()
    {
        station->openOk = false; // the default retry interval is long
        modbus->start();
        QTRY_COMPARE(station->openCount(), 1);
        QElapsedTimer timer;
        timer.start();
        modbus->restart();
        QTRY_COMPARE(station->openCount(), 2);
        QVERIFY(timer.elapsed() < 500);
    }

    void tenFailedReadsInARowReopenTheLink()
    {
        {
            QMutexLocker l(&station->mutex);
            station->dataResult = -1;
        }
        modbus->start();
        for (int i = 0; i < QModbus::MaxConsecutiveFailures; ++i) {
            const int before = station->transactionCount();
            modbus->updateTimerTimeout();
            QTRY_VERIFY(station->transactionCount() >= before + 2);
        }
        QTRY_COMPARE(station->openCount(), 2);
        QCOMPARE(log->count(QStringLiteral("No data received")), QModbus::MaxConsecutiveFailures);
        QVERIFY(!shown->hasReading());
    }

    void lostDeviceEndsThePassAtOnce()
    {
        modbus->start();
        {
            QMutexLocker l(&station->mutex);
            station->lost = true;
        }
        modbus->updateTimerTimeout();
        QTRY_VERIFY(station->openCount() >= 2);
        QVERIFY(log->contains(QStringLiteral("QModbus: Station link reported gone")));
    }

    void quitDuringAHangingTransaction()
    {
        {
            QMutexLocker l(&station->mutex);
            station->hang = true;
        }
        modbus->updateTimerTimeout();
        modbus->start();
        QTRY_COMPARE(station->transactionCount(), 1);

        QElapsedTimer timer;
        timer.start();
        modbus->quit();
        QVERIFY(timer.elapsed() <= 600);
        QTRY_VERIFY(!modbus->isRunning());
        QVERIFY(!modbus->isThreadRunning());
        modbus.reset(); // destroyed only after its thread ended
    }

    void stopBeforeTheThreadGotGoing()
    {
        // quit() or the destructor right after start(), before run() has
        // begun: the stop must still reach the thread.
        for (int i = 0; i < 20; ++i) {
            auto fresh = std::make_unique<QModbus>(settings.get());
            fresh->setLinkFactory(fakeStationFactory(*station));
            fresh->start();
            fresh->quit();
            QVERIFY(fresh->wait(5000));
            fresh->start(); // and it can be started again after a quit
            fresh.reset();
        }
    }

    void lateQuitDoesNotStopTheNextStart()
    {
        // A quit() that lands while the thread is finishing, after run() has
        // cleared its flags, is for no run: the next start() polls.
        QSignalSpy cycles(modbus.get(), &QModbus::cyclePublished);
        for (int i = 0; i < 50; ++i) {
            modbus->start();
            modbus->quit();
            while (modbus->isRunning())
                modbus->quit();
            modbus->updateTimerTimeout();
            modbus->start();
            // The spy records on the acquisition thread: a cycle may be in
            // before the wait would begin.
            QTRY_VERIFY2_WITH_TIMEOUT(cycles.count() > 0, qPrintable(QString::number(i)), 5000);
            modbus->quit();
            QVERIFY(modbus->wait(5000));
            cycles.clear();
        }
    }

    void destructorEndsAPollingThread()
    {
        modbus->updateTimerTimeout();
        modbus->start();
        QTRY_VERIFY(modbus->isThreadRunning());
        QModbus *raw = modbus.get();
        QSignalSpy finished(raw, &QThread::finished);
        modbus.reset();
        QCOMPARE(finished.count(), 1);
    }

    void newDayAcrossMidnightResetsTheDailyPairs()
    {
        QDateTime now(QDate(2026, 6, 1), QTime(23, 59, 58));
        modbus->setClock([&now] { return now; });
        // Ten degrees apart at one instant: the spike filter would hold the
        // second reading back, and this is about the extremes.
        quality::QualitySettings unchecked;
        unchecked.checks = false;
        modbus->setQualitySettings(unchecked);
        station->setData(222, 250);
        station->setData(223, 400);
        station->setData(251, 10100);
        station->setData(224, 10000);
        QSignalSpy air(shown.get(), &StationDisplay::airTempChanged);
        modbus->updateTimerTimeout();
        modbus->start();
        QVERIFY(air.wait(5000));

        {
            QMutexLocker l(&station->mutex);
            station->setData(222, 150);
            station->setData(224, 9900);
        }
        modbus->updateTimerTimeout();
        QVERIFY(air.wait(5000));
        settings->setTemperatureUnits(0);
        settings->setPressureUnits(0);
        QCOMPARE(shown->airTempH(), 25.0);
        QCOMPARE(shown->airTempL(), 15.0);

        modbus->secTimerTimeout(); // same day
        QVERIFY(!log->contains(QStringLiteral("New day detected")));
        now = now.addSecs(3);
        modbus->secTimerTimeout();
        QVERIFY(log->contains(QStringLiteral("New day detected")));
        // The day's first reading fills both sides of every pair.
        modbus->updateTimerTimeout();
        QTRY_COMPARE(shown->airTempH(), 15.0);
        QCOMPARE(shown->airTempL(), 15.0);
        QCOMPARE(shown->humidityH(), 40.0);
        settings->setPressureAdjustment(1); // station pressure restarts too
        QCOMPARE(shown->pressureH(), 990.0);
        QCOMPARE(shown->pressureL(), 990.0);
    }

    void unitChangeAndNewDayRefreshEveryValueButAreNoData()
    {
        // The getters convert at the moment of the call: every bound text
        // must be told to read again, though no station data came.
        QSignalSpy air(shown.get(), &StationDisplay::airTempChanged);
        QSignalSpy pressure(shown.get(), &StationDisplay::pressureChanged);
        QSignalSpy data(shown.get(), &StationDisplay::dataReceived);
        settings->setPressureAdjustment(1);
        QCOMPARE(pressure.count(), 1);
        QCOMPARE(air.count(), 1);

        QDateTime now(QDate(2026, 6, 1), QTime(23, 59, 59));
        modbus->setClock([&now] { return now; });
        now = now.addSecs(2);
        modbus->secTimerTimeout();
        QVERIFY(log->contains(QStringLiteral("New day detected")));
        QCOMPARE(air.count(), 2);
        QCOMPARE(data.count(), 0);

        modbus->updateTimerTimeout();
        modbus->start();
        QVERIFY(data.wait(5000));
        QCOMPARE(data.count(), 1);
    }

    void newDayWithoutARunningThread()
    {
        QDateTime now(QDate(2026, 10, 25), QTime(2, 30));
        modbus->setClock([&now] { return now; });
        now = now.addSecs(-3600); // clock set back within the day: not a new day
        modbus->secTimerTimeout();
        QVERIFY(!log->contains(QStringLiteral("New day detected")));
        now = QDateTime(QDate(2026, 10, 26), QTime(10, 0)); // asleep across midnight
        modbus->secTimerTimeout();
        QVERIFY(log->contains(QStringLiteral("New day detected")));
        settings->setTemperatureUnits(0);
        QCOMPARE(shown->airTempH(), StationValues::NoHigh); // nothing read yet: "--"
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SysSettings> settings;
    std::unique_ptr<FakeStation> station;
    std::unique_ptr<LogCapture> log;
    std::unique_ptr<QModbus> modbus;
    std::unique_ptr<ShownValues> shown;
};

QTEST_GUILESS_MAIN(TestQModbus)
#include "tst_qmodbus.moc"
