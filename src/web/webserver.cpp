#include "webserver.h"

#include "freshness.h"
#include "httpdaemon.h"
#include "listensocket.h"
#include "metrics.h"
#include "pagetexts.h"
#include "state/stateobject.h"

#include <QDateTime>
#include <QDebug>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkInterface>

namespace {

// Where a browser on the network finds the pages.
QString browsableHost(const QString &bindAddress)
{
    const QHostAddress bound(bindAddress.trimmed());
    if (!bindAddress.trimmed().isEmpty() && bound != QHostAddress::AnyIPv4
        && bound != QHostAddress::AnyIPv6)
        return bindAddress.trimmed();
    for (const QHostAddress &a : QNetworkInterface::allAddresses())
        if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol)
            return a.toString();
    return QStringLiteral("localhost");
}

} // namespace

WebServer::WebServer(QObject *parent)
    : QObject(parent)
    , monotonicMs(&steadyClockMs)
    , utcSecs([] { return QDateTime::currentSecsSinceEpoch(); })
{
    keepAlive.setInterval(KeepAliveMs);
    // A comment line keeps proxies from closing a quiet stream.
    connect(&keepAlive, &QTimer::timeout, this, [this] {
        if (daemon)
            daemon->broadcast(": keep-alive\n\n");
    });
    retry.setInterval(web::ServeRetryMs);
    retry.setSingleShot(true);
    connect(&retry, &QTimer::timeout, this, &WebServer::restart);
    startedMs = monotonicMs();
}

WebServer::~WebServer()
{
    stop();
}

void WebServer::setClocks(Clock monotonic, Clock utc)
{
    monotonicMs = std::move(monotonic);
    utcSecs = std::move(utc);
    startedMs = monotonicMs();
}

void WebServer::setKeepAliveInterval(int milliseconds)
{
    keepAlive.setInterval(milliseconds);
}

int WebServer::streamCount() const
{
    return daemon ? daemon->streamCount() : 0;
}

void WebServer::readSettings(const SettingsReader &settings)
{
    setSettings(webSettingsFrom(settings));
}

void WebServer::setSettings(const WebSettings &settings)
{
    if (configured && settings == current)
        return;
    const bool listenChanged = !configured || settings.enabled != current.enabled
        || settings.port != current.port || settings.bindAddress != current.bindAddress;
    configured = true;
    const bool unitsChanged = settings.display.units != current.display.units;
    current = settings;
    if (daemon && lastGood && unitsChanged)
        page = web::pageJson(*lastGood, current.display.units);
    // Pages open now show the new units at once.
    publish(unitsChanged);
    if (listenChanged)
        restart();
}

void WebServer::takeCycle(const CyclePtr &cycle)
{
    if (!cycle)
        return;
    available = cycle->good();
    if (cycle->good()) {
        lastGood = cycle;
        lastGoodMs = monotonicMs();
        if (daemon)
            makeTexts();
    }
    publish(true);
}

// Only while serving: a console with the server off or refused its port
// builds nothing each cycle.
void WebServer::makeTexts()
{
    currentState = state::stateJson(lastGood->values, lastGood->utc, lastGood->rejectedTotals);
    page = web::pageJson(*lastGood, current.display.units);
    gauges = web::metricGauges(lastGood->values, lastGood->rejectedTotals);
}

void WebServer::setRecords(const QByteArray &json)
{
    if (json == recordsJson)
        return;
    recordsJson = json;
    publish(false);
}

void WebServer::publish(bool sendEvents)
{
    if (!daemon)
        return;
    auto snapshot = std::make_shared<web::Snapshot>();
    snapshot->state = currentState;
    snapshot->page = page;
    snapshot->gauges = gauges;
    snapshot->records = recordsJson;
    snapshot->lastGoodMs = lastGoodMs;
    snapshot->lastGoodUtc = lastGood ? lastGood->utc.toSecsSinceEpoch() : -1;
    snapshot->available = available;
    snapshot->startedMs = startedMs;
    snapshot->settings = current;
    const QByteArray events
        = sendEvents ? web::HttpDaemon::currentEvents(*snapshot, monotonicMs()) : QByteArray();
    daemon->publish(snapshot, events);
}

void WebServer::restart()
{
    retry.stop();
    stop();
    web::ServeStatus next;
    next.enabled = current.enabled;
    next.port = quint16(current.port);
    if (!current.enabled) {
        setStatus(next);
        return;
    }
    const web::ListenSocket socket
        = web::openListenSocket(current.bindAddress, quint16(qBound(0, current.port, 65535)));
    if (!socket.ok()) {
        next.error = socket.error;
        next.reason = socket.reason;
        setStatus(next);
        // Another program may let the port go.
        if (socket.error == web::ServeStatus::AddressInUse)
            retry.start();
        return;
    }
    web::HttpDaemon::Limits limits;
    limits.connections = MaxConnections;
    limits.perAddress = MaxPerAddress;
    limits.headerTimeoutMs = headerTimeoutMs;
    daemon = std::make_unique<web::HttpDaemon>(limits, monotonicMs, utcSecs);
    QString error;
    if (!daemon->start(socket.fd, &error)) {
        daemon.reset();
        web::closeListenSocket(socket.fd);
        next.error = web::ServeStatus::OtherError;
        next.reason = error;
        setStatus(next);
        return;
    }
    next.serving = true;
    next.port = socket.port;
    next.host = browsableHost(current.bindAddress);
    if (lastGood)
        makeTexts();
    publish(false);
    keepAlive.start();
    setStatus(next);
}

void WebServer::stop()
{
    keepAlive.stop();
    if (daemon) {
        daemon->stop();
        daemon.reset();
    }
}

void WebServer::setStatus(const web::ServeStatus &status)
{
    if (statusTold && status == serveStatus)
        return;
    statusTold = true;
    serveStatus = status;
    // On stderr too: a headless console says where its pages are.
    const QString hint = statusHint();
    QString line = QStringLiteral("Web: ") + statusText();
    if (!hint.isEmpty())
        line += QStringLiteral(". ") + hint;
    qInfo().noquote() << line;
    reportStatus({ { QStringLiteral("serving"), status.serving },
        { QStringLiteral("state"), statusText() }, { QStringLiteral("hint"), hint } });
    emit statusChanged();
}
