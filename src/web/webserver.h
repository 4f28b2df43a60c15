#pragma once

#include "acquisition/service.h"
#include "routes.h"
#include "servestatus.h"
#include "websettings.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace web {
class HttpDaemon;
}

// The live pages, the JSON and event API and the Prometheus metrics, served
// by libmicrohttpd on its own thread. A service on the main thread: it takes
// each published cycle and its settings there and hands the server's threads
// an immutable snapshot, never itself. Reports "serving", "state" and "hint"
// as the service "web".
class WebServer : public QObject, public Service
{
    Q_OBJECT

public:
    static constexpr int MaxConnections = 128;
    static constexpr int MaxPerAddress = 16;
    static constexpr int HeaderTimeoutMs = 10000;
    static constexpr int KeepAliveMs = 15000;

    // Milliseconds of a clock that never goes back, and UTC epoch seconds;
    // both are read on the server's threads too.
    using Clock = std::function<qint64()>;

    explicit WebServer(QObject *parent = nullptr);
    ~WebServer() override;

    // Every published cycle, good or not: each goes out on the event streams.
    void takeCycle(const CyclePtr &cycle) override;
    void readSettings(const SettingsReader &settings) override;
    // A struct equal to the current one changes nothing; a change of
    // `enabled`, the port or the address restarts the server.
    void setSettings(const WebSettings &settings);
    WebSettings settings() const { return current; }

    web::ServeStatus status() const { return serveStatus; }
    QString statusText() const { return web::statusText(serveStatus); }
    QString statusHint() const { return web::statusHint(serveStatus); }
    bool isServing() const { return serveStatus.serving; }
    quint16 serverPort() const { return serveStatus.serving ? serveStatus.port : 0; }
    int streamCount() const;
    // The records table as /api/records.json serves it, made on the main
    // thread (records::tableJson()); empty while the records are not ready.
    void setRecords(const QByteArray &json);

    // For tests; set before the first setSettings().
    void setClocks(Clock monotonicMs, Clock utcSecs);
    void setKeepAliveInterval(int milliseconds);
    void setHeaderTimeout(int milliseconds) { headerTimeoutMs = milliseconds; }
    void setRetryInterval(int milliseconds) { retry.setInterval(milliseconds); }

signals:
    void statusChanged();

private:
    void restart();
    void stop();
    void setStatus(const web::ServeStatus &status);
    // A new snapshot from the last cycles and the settings; `sendEvents`
    // puts the current state on every stream.
    void publish(bool sendEvents);
    void makeTexts();

    WebSettings current;
    bool configured = false;
    web::ServeStatus serveStatus;
    // The first status is told even when it equals the default (off).
    bool statusTold = false;
    Clock monotonicMs;
    Clock utcSecs;
    int headerTimeoutMs = HeaderTimeoutMs;
    std::unique_ptr<web::HttpDaemon> daemon;
    QTimer keepAlive;
    QTimer retry;

    CyclePtr lastGood;
    bool available = false;
    qint64 lastGoodMs = -1;
    qint64 startedMs = 0;
    QByteArray currentState;
    QByteArray page;
    QByteArray gauges;
    QByteArray recordsJson;
};
