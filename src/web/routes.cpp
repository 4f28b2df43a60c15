#include "routes.h"

#include "freshness.h"
#include "metrics.h"
#include "settings/units.h"

#include <QFile>
#include <QHash>

void initWebResources()
{
    Q_INIT_RESOURCE(web);
}

namespace web {

const Header securityHeaders[3] = {
    { "Content-Security-Policy", "default-src 'self'" },
    { "X-Content-Type-Options", "nosniff" },
    { "Referrer-Policy", "no-referrer" },
};

namespace {

struct Asset
{
    QByteArray type;
    QByteArray body;
    QByteArray etag;
};

// The pages and scripts, read once from the resources into memory.
const QHash<QByteArray, Asset> &assets()
{
    static const QHash<QByteArray, Asset> table = [] {
        initWebResources();
        const struct
        {
            const char *path;
            const char *file;
            const char *type;
        } files[] = {
            { "/", "index.html", "text/html; charset=utf-8" },
            { "/history", "history.html", "text/html; charset=utf-8" },
            { "/records", "records.html", "text/html; charset=utf-8" },
            { "/records.js", "records.js", "text/javascript; charset=utf-8" },
            { "/style.css", "style.css", "text/css; charset=utf-8" },
            { "/dashboard.js", "dashboard.js", "text/javascript; charset=utf-8" },
            { "/history.js", "history.js", "text/javascript; charset=utf-8" },
            { "/chart.js", "chart.js", "text/javascript; charset=utf-8" },
            { "/favicon.svg", "favicon.svg", "image/svg+xml" },
        };
        QHash<QByteArray, Asset> t;
        for (const auto &f : files) {
            QFile file(QStringLiteral(":/web/") + QLatin1String(f.file));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            Asset a;
            a.type = f.type;
            a.body = file.readAll();
            a.etag = '"'
                + QByteArray::number(qHashBits(a.body.constData(), size_t(a.body.size())), 16)
                + '"';
            t.insert(f.path, a);
        }
        return t;
    }();
    return table;
}

Reply body(int status, const QByteArray &type, const QByteArray &content)
{
    Reply r;
    r.status = status;
    r.type = type;
    r.body = content;
    return r;
}

Reply text(int status, const QByteArray &content)
{
    return body(status, "text/plain; charset=utf-8", content + '\n');
}

const QByteArray Json = "application/json";

// The console's palette as the pages' colours.
QByteArray themeCss(int theme)
{
    using theme::Role;
    const auto colour = [theme](Role role) { return QByteArray(theme::colour(theme, role)); };
    return ":root{--bg:" + colour(Role::Background) + ";--text:" + colour(Role::Text)
        + ";--second:" + colour(Role::Needle2) + ";--third:" + colour(Role::Needle3)
        + ";--red:" + colour(Role::Red) + ";--blue:" + colour(Role::Blue)
        + ";color-scheme:" + (theme == 0 ? "dark" : "light") + "}\n";
}

} // namespace

Reply route(const Request &request, const Snapshot &snapshot, qint64 nowMs, qint64 nowUtcSecs)
{
    if (request.method != "GET" && request.method != "HEAD")
        return text(405, "Only GET and HEAD are served.");
    if (request.path.size() > MaxPathLength)
        return text(414, "Path too long.");

    const QByteArray &path = request.path;
    const Freshness fresh = freshness(snapshot.startedMs, snapshot.lastGoodMs, nowMs);
    if (path == "/api/current.json") {
        if (snapshot.state.isEmpty())
            return body(503, Json, withFreshness("{}", fresh));
        return body(200, Json, withFreshness(snapshot.state, fresh));
    }
    if (path == "/api/records.json") {
        if (snapshot.records.isEmpty())
            return body(503, Json, R"({"error":"The records are not ready yet."})");
        return body(200, Json, snapshot.records);
    }
    if (path == "/api/events") {
        Reply r = body(200, "text/event-stream", QByteArray());
        r.kind = Reply::Events;
        r.cacheControl = "no-cache";
        return r;
    }
    if (path == "/api/history.json") {
        QString error;
        Reply r = body(200, Json, QByteArray());
        if (!historyWindow(request.range.isEmpty() ? QStringLiteral("24h") : request.range,
                request.end, nowUtcSecs, &r.window, &error))
            return body(400, Json, "{\"error\":\"" + error.toLatin1() + "\"}");
        r.kind = Reply::History;
        return r;
    }
    if (path == "/metrics")
        return body(200, "text/plain; version=0.0.4; charset=utf-8",
            metricsText(snapshot.gauges, snapshot.available && !fresh.stale, snapshot.lastGoodUtc));
    if (path == "/theme.css") {
        Reply r = body(200, "text/css; charset=utf-8", themeCss(snapshot.settings.display.theme));
        r.cacheControl = "no-cache";
        return r;
    }

    const auto found = assets().constFind(path);
    if (found == assets().constEnd())
        return text(404, "Not found.");
    Reply r = body(200, found->type, found->body);
    r.cacheControl = "no-cache";
    r.etag = found->etag;
    if (request.ifNoneMatch == found->etag) {
        r.status = 304;
        r.body.clear();
    }
    return r;
}

} // namespace web
