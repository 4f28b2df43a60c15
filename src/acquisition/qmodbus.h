#pragma once

#include "dailyextremes.h"
#include "passrequests.h"
#include "quality/dataquality.h"
#include "record/stationcycle.h"
#include "registerimage.h"
#include "settings/linkrestarter.h"
#include "stationdata.h"
#include "stationlink.h"

#include <QDateTime>
#include <QMutex>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;
class StationLink;
class SysSettings;

// The acquisition. The object lives in the main thread (timers, controls); its
// run() is the acquisition thread, which owns the station link and polls it
// once per update tick. Each cycle goes out as one immutable StationCycle: to
// the sinks on the acquisition thread, and queued to everyone else (the
// services, the display) by cyclePublished.
class QModbus : public QThread, public LinkRestarter
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;
    // Makes the link for one pass (tcp: ReadMode is not 0). A transaction
    // must give up soon after `interrupt` is raised.
    using LinkFactory = std::function<std::unique_ptr<StationLink>(
        bool tcp, RegisterImage &image, const std::atomic<bool> *interrupt)>;

    // `settings` must outlive this object. The clock gives local time; tests
    // inject one to cross midnight.
    explicit QModbus(SysSettings *store, QObject *parent = nullptr);
    ~QModbus() override;

    void setClock(Clock source);
    // For tests; set before the thread starts.
    void setLinkFactory(LinkFactory factory) { linkFactory = std::move(factory); }
    void setRetryInterval(int milliseconds) { retryIntervalMs = milliseconds; }
    // Called on the acquisition thread with every published cycle; add before
    // the thread starts. The sink must outlive the thread.
    void addCycleSink(CycleSink *sink) { sinks.push_back(sink); }

    QString linkFailureText() const;

    // From any thread: the data checks take them before the next read.
    void setQualitySettings(const quality::QualitySettings &s);

    QDateTime now() const { return clock(); }

    const RegisterImage &registers() const { return registerImage; }
    bool dataMissing() const { return registerImage.dataMissing(); }
    bool isThreadRunning() const { return threadRunning.load(); }

    // How long the failure wait lasts before the link is tried again by
    // itself, and how many failed data reads in a row end a link pass.
    static constexpr int DefaultRetryIntervalMs = 10000;
    static constexpr int MaxConsecutiveFailures = 10;

signals:
    void openPortFailed();
    void openSocketFailed();
    // A new local day began: the daily extremes restart empty, from the
    // next cycle on and in what was last shown.
    void dailyExtremesReset();
    // Every cycle, good or failed, and each failed attempt to open the link.
    // Emitted on the acquisition thread.
    void cyclePublished(CyclePtr cycle);
    // quit() was called: the gateway stops taking connections with it.
    void quitRequested();
    void linkFailureTextChanged();

public slots:
    void secTimerTimeout();
    void updateTimerTimeout();

public:
    void quit();
    void restart() override;
    // Starts the acquisition thread; hides QThread::start so that every start
    // goes through the request bookkeeping.
    void start();

protected:
    void run() override;

private:
    enum class PassEnd
    {
        Stop,
        Restart,
        Lost
    };

    void failureWait(bool tcp);
    PassEnd pollLoop(StationLink &link);
    bool pollCycle(StationLink &link);
    bool interrupted() const { return requests.stopRequested() || requests.restartRequested(); }
    void applyPendingNewDay();
    void setLinkFailureText(const QString &text);
    void publishCycle(StationCycle::Kind kind);
    void requestStop();
    void napMs(int milliseconds) const;

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
    bool startPublished = false; // one went out since the start or the user's restart
    bool reportedOpenFailure = false;
    quality::DataQuality dataChecks;
    QVariantMap rejectedTotals;

    // The settings for the data checks, handed over under a short lock.
    QMutex qualityMutex;
    std::optional<quality::QualitySettings> pendingQuality;

    // Main thread only.
    QString linkFailure;
};
