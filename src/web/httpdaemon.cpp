#include "httpdaemon.h"

#include "archive/historyseries.h"
#include "freshness.h"

#include <QThreadPool>

#include <microhttpd.h>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

#include <algorithm>
#include <cstring>
#include <deque>

namespace web {

// One open event stream. Its queue holds whole events; `offset` is how much
// of the first one has gone out.
struct Stream
{
    HttpDaemon *self = nullptr;
    MHD_Connection *connection = nullptr;
    std::deque<QByteArray> queue;
    int offset = 0;
    qint64 queued = 0;
    bool suspended = false;
};

struct HttpDaemon::RequestState
{
    SnapshotPtr snapshot;
    Reply reply;
    bool queued = false;
    bool historyRead = false;
};

namespace {

using Steady = std::chrono::steady_clock;

constexpr size_t StreamBlock = 4096;

void shutdownSocket(qintptr fd)
{
#ifdef Q_OS_WIN
    ::shutdown(SOCKET(fd), SD_BOTH);
#else
    ::shutdown(int(fd), SHUT_RDWR);
#endif
}

void addHeaders(MHD_Response *response, const Reply &reply)
{
    for (const Header &h : securityHeaders)
        MHD_add_response_header(response, h.name, h.value);
    if (!reply.type.isEmpty())
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.type.constData());
    MHD_add_response_header(
        response, MHD_HTTP_HEADER_CACHE_CONTROL, reply.cacheControl.constData());
    if (!reply.etag.isEmpty())
        MHD_add_response_header(response, MHD_HTTP_HEADER_ETAG, reply.etag.constData());
    if (reply.status == 405)
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
}

void freeBody(void *cls)
{
    delete static_cast<QByteArray *>(cls);
}

QByteArray argument(MHD_Connection *connection, MHD_ValueKind kind, const char *key)
{
    const char *value = MHD_lookup_connection_value(connection, kind, key);
    return value ? QByteArray(value) : QByteArray();
}

} // namespace

struct HttpDaemon::Callbacks
{
    static MHD_Result onRequest(void *cls, MHD_Connection *connection, const char *url,
        const char *method, const char *, const char *, size_t *uploadSize, void **context)
    {
        return static_cast<HttpDaemon *>(cls)->request(connection, url, method, uploadSize, context)
            ? MHD_YES
            : MHD_NO;
    }

    static void onCompleted(
        void *cls, MHD_Connection *connection, void **context, MHD_RequestTerminationCode)
    {
        delete static_cast<RequestState *>(*context);
        *context = nullptr;
        // A kept-alive connection now waits for the next request's headers.
        static_cast<HttpDaemon *>(cls)->headersCame(connection, false);
    }

    static void onConnection(
        void *cls, MHD_Connection *connection, void **, MHD_ConnectionNotificationCode code)
    {
        auto *self = static_cast<HttpDaemon *>(cls);
        std::lock_guard<std::mutex> lock(self->connectionsMutex);
        if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
            self->connections.erase(connection);
            return;
        }
        const MHD_ConnectionInfo *info
            = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        Connection c;
        c.fd = info ? qintptr(info->connect_fd) : -1;
        c.deadline = Steady::now() + std::chrono::milliseconds(self->limits.headerTimeoutMs);
        self->connections[connection] = c;
        self->wakeSweeper(c.deadline);
    }

    static ssize_t readStream(void *cls, uint64_t, char *buffer, size_t max)
    {
        auto *stream = static_cast<Stream *>(cls);
        return ssize_t(stream->self->readStream(stream, buffer, max));
    }

    static void freeStream(void *cls)
    {
        auto *stream = static_cast<Stream *>(cls);
        stream->self->closeStream(stream);
    }
};

HttpDaemon::HttpDaemon(const Limits &bounds, Clock monotonicClock, Clock utcClock)
    : limits(bounds)
    , monotonicMs(std::move(monotonicClock))
    , utcSecs(std::move(utcClock))
    , snapshot(std::make_shared<Snapshot>())
{
}

HttpDaemon::~HttpDaemon()
{
    stop();
}

bool HttpDaemon::start(qintptr listenFd, QString *error)
{
    stop();
    {
        std::lock_guard<std::mutex> lock(streamsMutex);
        closing = false;
    }
    {
        std::lock_guard<std::mutex> lock(historyMutex);
        historyClosed = false;
        historyWaiting = 0;
        historyPool = std::make_unique<QThreadPool>();
        // One reader at a time: the archive is one file on one disk.
        historyPool->setMaxThreadCount(1);
    }
#ifdef Q_OS_LINUX
    const unsigned int polling = MHD_USE_EPOLL_INTERNAL_THREAD;
#else
    const unsigned int polling = MHD_USE_AUTO_INTERNAL_THREAD;
#endif
    const unsigned int timeoutSecs = unsigned((limits.headerTimeoutMs + 999) / 1000);
    daemon = MHD_start_daemon(polling | MHD_ALLOW_SUSPEND_RESUME, 0, nullptr, nullptr,
        &Callbacks::onRequest, this, MHD_OPTION_LISTEN_SOCKET, MHD_socket(listenFd),
        MHD_OPTION_CONNECTION_LIMIT, unsigned(limits.connections),
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, unsigned(limits.perAddress),
        MHD_OPTION_CONNECTION_TIMEOUT, timeoutSecs, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        size_t(limits.connectionMemory), MHD_OPTION_NOTIFY_COMPLETED, &Callbacks::onCompleted, this,
        MHD_OPTION_NOTIFY_CONNECTION, &Callbacks::onConnection, this, MHD_OPTION_END);
    if (!daemon) {
        *error = QStringLiteral("the HTTP server would not start");
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(connectionsMutex);
        sweeping = true;
    }
    sweeper = std::thread([this] { sweep(); });
    return true;
}

void HttpDaemon::stop()
{
    if (!daemon)
        return;
    // No new archive reads; those under way finish and resume their
    // connections, which must all be resumed before the daemon stops.
    {
        std::lock_guard<std::mutex> lock(historyMutex);
        historyClosed = true;
    }
    historyPool->waitForDone();
    {
        std::unique_lock<std::mutex> lock(streamsMutex);
        closing = true;
        for (Stream *s : streams)
            if (s->suspended) {
                s->suspended = false;
                MHD_resume_connection(s->connection);
            }
        // A moment for the streams to end as HTTP ends them, so a browser
        // sees the stream close rather than break; a client that does not
        // read is not waited for longer.
        streamsEnded.wait_for(
            lock, std::chrono::milliseconds(250), [this] { return streams.empty(); });
    }
    MHD_stop_daemon(daemon);
    daemon = nullptr;
    {
        std::lock_guard<std::mutex> lock(connectionsMutex);
        sweeping = false;
        connections.clear();
    }
    connectionsChanged.notify_one();
    sweeper.join();
}

SnapshotPtr HttpDaemon::current() const
{
    std::lock_guard<std::mutex> lock(snapshotMutex);
    return snapshot;
}

void HttpDaemon::publish(const SnapshotPtr &next, const QByteArray &bytes)
{
    {
        std::lock_guard<std::mutex> lock(snapshotMutex);
        snapshot = next;
    }
    if (!bytes.isEmpty())
        broadcast(bytes);
}

void HttpDaemon::broadcast(const QByteArray &bytes)
{
    std::lock_guard<std::mutex> lock(streamsMutex);
    for (Stream *s : streams) {
        // A client that does not keep up misses the older events, never
        // the newest: it wants the weather now, not a backlog.
        if (s->queued + bytes.size() > limits.streamBacklog) {
            while (s->queue.size() > (s->offset > 0 ? 1u : 0u)) {
                s->queued -= s->queue.back().size();
                s->queue.pop_back();
            }
        }
        s->queue.push_back(bytes);
        s->queued += bytes.size();
        if (s->suspended) {
            s->suspended = false;
            MHD_resume_connection(s->connection);
        }
    }
}

QByteArray HttpDaemon::currentEvents(const Snapshot &snapshot, qint64 nowMs)
{
    if (snapshot.state.isEmpty())
        return QByteArray();
    const Freshness fresh = freshness(snapshot.startedMs, snapshot.lastGoodMs, nowMs);
    return event("state", withFreshness(snapshot.state, fresh))
        + event("display", withFreshness(snapshot.page, fresh));
}

int HttpDaemon::streamCount() const
{
    std::lock_guard<std::mutex> lock(streamsMutex);
    return int(streams.size());
}

int HttpDaemon::connectionCount() const
{
    std::lock_guard<std::mutex> lock(connectionsMutex);
    return int(connections.size());
}

bool HttpDaemon::request(MHD_Connection *connection, const char *url, const char *method,
    size_t *uploadSize, void **context)
{
    auto *state = static_cast<RequestState *>(*context);
    const bool readOnly = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0
        || std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
    if (!state) {
        headersCame(connection, true);
        state = new RequestState;
        *context = state;
        // Answered at once, body unread, and the connection closed after
        // it; every other request is answered once it has come whole, which
        // keeps its connection open for the next one.
        if (readOnly)
            return true;
    }
    // A body of a GET is read and dropped.
    if (*uploadSize) {
        *uploadSize = 0;
        return true;
    }
    if (state->queued)
        return true;
    if (state->historyRead) {
        state->queued = true;
        return queue(connection, state->reply);
    }

    Request r;
    r.method = method;
    r.path = url;
    if (r.path == "/api/history.json") {
        r.range = QString::fromUtf8(argument(connection, MHD_GET_ARGUMENT_KIND, "range"));
        r.end = QString::fromUtf8(argument(connection, MHD_GET_ARGUMENT_KIND, "end"));
    }
    r.ifNoneMatch = argument(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_IF_NONE_MATCH);
    state->snapshot = current();
    state->reply = route(r, *state->snapshot, monotonicMs(), utcSecs());
    state->queued = state->reply.kind != Reply::History;
    if (state->reply.kind == Reply::Events && r.method == MHD_HTTP_METHOD_GET)
        return openStream(connection);
    if (state->reply.kind == Reply::History)
        return startHistory(connection, state);
    return queue(connection, state->reply);
}

bool HttpDaemon::queue(MHD_Connection *connection, const Reply &reply)
{
    auto *body = new QByteArray(reply.body);
    MHD_Response *response = MHD_create_response_from_buffer_with_free_callback_cls(
        size_t(body->size()), body->data(), &freeBody, body);
    if (!response) {
        delete body;
        return false;
    }
    addHeaders(response, reply);
    const MHD_Result queued = MHD_queue_response(connection, unsigned(reply.status), response);
    MHD_destroy_response(response);
    return queued == MHD_YES;
}

bool HttpDaemon::openStream(MHD_Connection *connection)
{
    auto *stream = new Stream;
    stream->self = this;
    stream->connection = connection;
    // Browsers try again this soon after the console went away.
    QByteArray first = "retry: 2000\n\n" + currentEvents(*current(), monotonicMs());
    stream->queue.push_back(first);
    stream->queued = first.size();
    MHD_Response *response = MHD_create_response_from_callback(
        MHD_SIZE_UNKNOWN, StreamBlock, &Callbacks::readStream, stream, &Callbacks::freeStream);
    if (!response) {
        delete stream;
        return false;
    }
    Reply reply;
    reply.type = "text/event-stream";
    reply.cacheControl = "no-cache";
    addHeaders(response, reply);
    {
        std::lock_guard<std::mutex> lock(streamsMutex);
        streams.insert(stream);
    }
    const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
    // The connection holds the response now; freeStream() ends the stream.
    MHD_destroy_response(response);
    return queued == MHD_YES;
}

qint64 HttpDaemon::readStream(Stream *s, char *buffer, size_t max)
{
    std::lock_guard<std::mutex> lock(streamsMutex);
    if (closing)
        return MHD_CONTENT_READER_END_OF_STREAM;
    if (s->queue.empty()) {
        // Nothing to send: out of the event loop until broadcast() resumes it.
        s->suspended = true;
        MHD_suspend_connection(s->connection);
        return 0;
    }
    size_t written = 0;
    while (written < max && !s->queue.empty()) {
        const QByteArray &front = s->queue.front();
        const size_t n = std::min(max - written, size_t(front.size() - s->offset));
        std::memcpy(buffer + written, front.constData() + s->offset, n);
        written += n;
        s->offset += int(n);
        if (s->offset == front.size()) {
            s->queued -= front.size();
            s->queue.pop_front();
            s->offset = 0;
        }
    }
    return qint64(written);
}

void HttpDaemon::closeStream(Stream *stream)
{
    {
        std::lock_guard<std::mutex> lock(streamsMutex);
        streams.erase(stream);
        if (streams.empty())
            streamsEnded.notify_all();
    }
    delete stream;
}

bool HttpDaemon::startHistory(MHD_Connection *connection, RequestState *state)
{
    std::lock_guard<std::mutex> lock(historyMutex);
    if (historyClosed || historyWaiting >= limits.historyQueue) {
        state->reply.kind = Reply::Body;
        state->reply.status = 503;
        state->reply.type = "application/json";
        state->reply.body = "{\"error\":\"busy\"}";
        state->queued = true;
        return queue(connection, state->reply);
    }
    ++historyWaiting;
    // Out of the event loop until the archive has been read; the access
    // handler is called again then.
    MHD_suspend_connection(connection);
    historyPool->start([this, connection, state] {
        const QString file = state->snapshot->settings.archiveFile;
        const HistoryWindow &w = state->reply.window;
        archive::HistoryData data;
        QString error;
        if (file.isEmpty())
            error = QStringLiteral("no archive");
        else if (!archive::readHistory(file, w.from, w.to, w.bucket, w.range, &data, &error))
            error = QStringLiteral("the archive could not be read");
        state->reply.body = historyJson(w, data, state->snapshot->settings.display.units, error);
        state->reply.kind = Reply::Body;
        state->historyRead = true;
        std::lock_guard<std::mutex> done(historyMutex);
        --historyWaiting;
        MHD_resume_connection(connection);
    });
    return true;
}

void HttpDaemon::headersCame(MHD_Connection *connection, bool came)
{
    std::lock_guard<std::mutex> lock(connectionsMutex);
    const auto found = connections.find(connection);
    if (found == connections.end())
        return;
    found->second.waiting = !came;
    if (!came) {
        found->second.deadline = Steady::now() + std::chrono::milliseconds(limits.headerTimeoutMs);
        wakeSweeper(found->second.deadline);
    }
}

void HttpDaemon::wakeSweeper(Steady::time_point deadline)
{
    // Only when it would sleep past the deadline: a wake-up per request
    // would cost a thread switch per request.
    if (deadline < sweeperWakes) {
        sweeperWakes = deadline;
        connectionsChanged.notify_one();
    }
}

void HttpDaemon::sweep()
{
    std::unique_lock<std::mutex> lock(connectionsMutex);
    while (sweeping) {
        Steady::time_point next = Steady::time_point::max();
        const Steady::time_point now = Steady::now();
        for (auto &[connection, c] : connections) {
            if (!c.waiting || c.fd < 0)
                continue;
            if (c.deadline <= now) {
                // libmicrohttpd sees the end of the socket and closes the
                // connection on its own thread; the entry goes with it.
                shutdownSocket(c.fd);
                c.fd = -1;
            } else {
                next = std::min(next, c.deadline);
            }
        }
        // Any deadline set from now on is at least a timeout away: while
        // connections are open, looking again then needs no wake-up.
        if (next == Steady::time_point::max() && !connections.empty())
            next = now + std::chrono::milliseconds(limits.headerTimeoutMs);
        sweeperWakes = next;
        if (next == Steady::time_point::max())
            connectionsChanged.wait(lock);
        else
            connectionsChanged.wait_until(lock, next);
    }
}

} // namespace web
