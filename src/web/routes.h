#pragma once

#include "historyjson.h"
#include "websettings.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace web {

// What the handlers serve from, swapped whole when a cycle or the settings
// come: never changed once made, so any thread may read it.
struct Snapshot
{
    // The state object, the page's texts and the metrics' gauges of the last
    // good cycle; empty before the first.
    QByteArray state;
    QByteArray page;
    QByteArray gauges;
    // The records table, made on the main thread; empty until the records
    // are ready.
    QByteArray records;
    qint64 lastGoodMs = -1; // monotonic clock
    qint64 lastGoodUtc = -1; // epoch seconds
    // The latest cycle was a good read.
    bool available = false;
    qint64 startedMs = 0;
    WebSettings settings;
};
using SnapshotPtr = std::shared_ptr<const Snapshot>;

struct Request
{
    QByteArray method;
    QByteArray path; // without the query
    // The history's query arguments.
    QString range;
    QString end;
    QByteArray ifNoneMatch;
};

struct Reply
{
    enum Kind
    {
        Body,
        Events, // the event stream: the server keeps the connection
        History, // read the archive for `window`, then historyJson()
    };

    Kind kind = Body;
    int status = 200;
    QByteArray type;
    QByteArray body;
    QByteArray cacheControl = "no-store";
    QByteArray etag;
    HistoryWindow window;
};

// Longest path served; longer ones are refused before any lookup.
constexpr int MaxPathLength = 256;

// The reply to a request, without sockets: pages and scripts from the
// program's resources, the API from the snapshot. Only GET and HEAD; no path
// reaches the file system.
Reply route(const Request &request, const Snapshot &snapshot, qint64 nowMs, qint64 nowUtcSecs);

// The three headers every reply carries.
struct Header
{
    const char *name;
    const char *value;
};
extern const Header securityHeaders[3];

} // namespace web
