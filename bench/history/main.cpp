// The history view's cost on a full archive: a synthetic year of minutes is
// built in a temporary folder, then each range (24 h, 7 d, 30 d, 1 y) is
// opened in the real HistoryView.qml, timing the query plus the chart fill
// (HistoryModel::load, whose signal refills every series at once), beside a
// plain SELECT of the same period's raw minute rows as the floor: what any
// graph that drew the minutes themselves would have to read.
//
// bench_history [REPEATS] [WINDOW_WIDTH] (defaults 7, the median printed, and 1540 px:
// the dashboard's twice size, two charts across)
#include "archive/archivestore.h"
#include "history/historymodel.h"
#include "settings/syssettings.h"
#include "support/plainselect.h"
#include "support/syntheticweather.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 Year = 365 * 86400;
// 2026-03-06 00:00 UTC: the archive's last minute ends here.
constexpr qint64 End = 1772755200;
constexpr double GoalMs = 150;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Every value of every raw row of the period, read as a graph of the
// minutes would read them.
double plainSelectMs(const QString &path, qint64 from, qint64 to, int *rows)
{
    QElapsedTimer timer;
    timer.start();
    *rows = plainSelect(
        path, QStringLiteral("SELECT * FROM minutes WHERE t >= ? AND t < ?"), { from, to });
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    const int windowWidth = argc > 2 ? std::max(400, atoi(argv[2])) : 1540;
    QTemporaryDir folder;
    SysSettings settings(folder.path());
    const QString path = folder.filePath(QStringLiteral("archive.sqlite"));

    std::printf("History: a synthetic year of minutes in %s\n", qPrintable(path));
    QElapsedTimer build;
    build.start();
    qint64 rowsWritten = 0;
    {
        ArchiveStore store;
        if (store.open(path) != ArchiveStore::OpenResult::Ready)
            return 1;
        // A day a transaction, as an import of daily files does.
        for (qint64 day = End - Year; day < End; day += 86400) {
            const ArchiveStore::WriteResult r = store.insert(syntheticMinutes(day, 1440));
            if (!r.ok) {
                std::printf("write failed: %s\n", qPrintable(r.error));
                return 1;
            }
            rowsWritten += r.added;
        }
        QSqlQuery(store.database()).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    const qint64 bytes = QFileInfo(path).size();
    std::printf("  %lld minutes written in %.1f s; file %.1f MB: %.1f bytes a minute, "
                "%.1f MB a year (goal 60 MB)\n\n",
        static_cast<long long>(rowsWritten), build.nsecsElapsed() / 1e9, bytes / 1e6,
        double(bytes) / rowsWritten, double(bytes) / rowsWritten * 525600 / 1e6);

    HistoryModel history(settings, path);
    history.setClock([] { return QDateTime::fromSecsSinceEpoch(End - 1); });
    QQuickView view;
    view.engine()->rootContext()->setContextProperty(QStringLiteral("Settings"), &settings);
    view.engine()->rootContext()->setContextProperty(QStringLiteral("History"), &history);
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.resize(windowWidth, 1300);
    view.setSource(QUrl(QStringLiteral("qrc:/qml/history/HistoryView.qml")));
    view.show();
    QCoreApplication::processEvents();
    QObject *chart = view.rootObject()
        ? view.rootObject()->findChild<QObject *>(QStringLiteral("temperatureChart"))
        : nullptr;
    const int points = chart ? int(chart->property("plotArea").toRectF().width()) : 0;
    if (points <= 0) {
        std::printf("the history view did not load\n");
        return 1;
    }

    std::printf("Opening a range in a %d px wide plot, median of %d; the floor reads every raw "
                "minute row of the period\n",
        points, repeats);
    std::printf("%-6s %8s %16s %12s %18s %8s %6s\n", "range", "points", "query+fill ms", "raw rows",
        "floor SELECT ms", "ratio", "goal");
    const char *names[] = { "24 h", "7 d", "30 d", "1 y" };
    const qint64 spans[] = { 86400, 7 * 86400, 30 * 86400, Year };
    for (int range = 0; range < 4; ++range) {
        history.setRange(range);
        std::vector<double> ours;
        std::vector<double> floor;
        int rows = 0;
        for (int i = 0; i < repeats; ++i) {
            QElapsedTimer t;
            t.start();
            history.load(points);
            ours.push_back(t.nsecsElapsed() / 1e6);
            floor.push_back(plainSelectMs(path, End - spans[range], End, &rows));
        }
        const int shown = history.points(QStringLiteral("temp")).size();
        const double a = median(ours);
        const double b = median(floor);
        std::printf("%-6s %8d %16.1f %12d %18.1f %8.2f %6s\n", names[range], shown, a, rows, b,
            a / b, a <= GoalMs ? "met" : "MISSED");
    }
    std::printf("\nratio: query+fill over the floor; below 1 the buckets cost less than reading "
                "the minutes.\n");
    return 0;
}
