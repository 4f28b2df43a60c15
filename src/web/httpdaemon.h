#pragma once

#include "routes.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

class QThreadPool;
struct MHD_Connection;
struct MHD_Daemon;

namespace web {

struct Stream;

// libmicrohttpd serving the routes on its own epoll thread: one thread for
// every connection, the event streams held as suspended connections that a
// broadcast resumes, the archive read on a worker so that a long history
// query never holds up a stream. Made and driven from one thread (the
// console's main thread); the handlers read only the snapshot.
class HttpDaemon
{
public:
    struct Limits
    {
        int connections = 128;
        int perAddress = 16;
        // The whole of a request's headers must come within this; an idle
        // keep-alive connection is closed after it too.
        int headerTimeoutMs = 10000;
        // Memory for one connection's request line and headers, which caps
        // both (libmicrohttpd answers 414 or 431 past it).
        int connectionMemory = 16 * 1024;
        // What a stream may have queued for a client that reads slowly; past
        // it, the older events give way to the newest.
        int streamBacklog = 64 * 1024;
        // History requests waiting for the archive; more are refused (503).
        int historyQueue = 4;
    };
    using Clock = std::function<qint64()>;

    // `monotonicMs` for staleness, `utcSecs` for the history's "now"; both
    // are called on the server's threads.
    HttpDaemon(const Limits &limits, Clock monotonicMs, Clock utcSecs);
    ~HttpDaemon();

    // Serves on `listenFd`, which it then owns; false with `error` set.
    bool start(qintptr listenFd, QString *error);
    void stop();

    // The snapshot the next requests read, and bytes every open stream gets
    // (empty for none).
    void publish(const SnapshotPtr &snapshot, const QByteArray &broadcast);
    void broadcast(const QByteArray &bytes);
    // The events a stream starts with: the current state and texts.
    static QByteArray currentEvents(const Snapshot &snapshot, qint64 nowMs);

    int streamCount() const;
    int connectionCount() const;

private:
    struct Connection
    {
        qintptr fd = -1;
        bool waiting = true; // for a request's headers
        std::chrono::steady_clock::time_point deadline;
    };
    struct RequestState;
    // libmicrohttpd's callbacks, which reach the members below.
    struct Callbacks;
    friend struct Callbacks;

    bool request(MHD_Connection *connection, const char *url, const char *method,
        size_t *uploadSize, void **context);
    bool queue(MHD_Connection *connection, const Reply &reply);
    bool openStream(MHD_Connection *connection);
    bool startHistory(MHD_Connection *connection, RequestState *state);
    qint64 readStream(Stream *stream, char *buffer, size_t max);
    void closeStream(Stream *stream);
    void headersCame(MHD_Connection *connection, bool came);
    // Called with connectionsMutex held.
    void wakeSweeper(std::chrono::steady_clock::time_point deadline);
    void sweep();
    SnapshotPtr current() const;

    const Limits limits;
    const Clock monotonicMs;
    const Clock utcSecs;
    MHD_Daemon *daemon = nullptr;

    mutable std::mutex snapshotMutex;
    SnapshotPtr snapshot;

    mutable std::mutex streamsMutex;
    std::unordered_set<Stream *> streams;
    std::condition_variable streamsEnded;
    bool closing = false;

    std::mutex historyMutex;
    std::unique_ptr<QThreadPool> historyPool;
    int historyWaiting = 0;
    bool historyClosed = false;

    // Connections and their header deadlines, for the sweeper thread, which
    // shuts a socket whose headers are late: libmicrohttpd's own timeout
    // starts again with every byte, which a slow client trickles.
    mutable std::mutex connectionsMutex;
    std::condition_variable connectionsChanged;
    std::unordered_map<MHD_Connection *, Connection> connections;
    bool sweeping = false;
    std::chrono::steady_clock::time_point sweeperWakes
        = std::chrono::steady_clock::time_point::max();
    std::thread sweeper;
};

} // namespace web
