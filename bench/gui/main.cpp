// Start-up time to the first frame, then CPU share and resident memory over a
// run of 1 Hz updates: the console, fed by the station simulator over a
// pseudo-terminal, beside a bare QQmlApplicationEngine showing an empty window
// of the same size (the floor). Each figure comes from a child process of its
// own (this binary again, with --mode), so start-up and memory do not mix.
//
//   bench_gui [--seconds N] [--launches K]
//
// Run it on a display with real OpenGL (scripts/bench-gui uses Xvfb and Mesa),
// or the console's drop shadows are not drawn and the figures flatter it.
#include "support/simulatedstation.h"
#include "app/console.h"
#include "app/debuglog.h"
#include "settings/syssettings.h"
#include "support/localportal.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <vector>

#include <sys/resource.h>

namespace {

// Same clock in parent and child, so the child can measure from the moment
// the parent launched it (fork, exec, dynamic linking and static set-up
// included).
qint64 monotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// User plus system time of every thread of this process.
double cpuSeconds()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A "kB" line of /proc/self/status, such as VmRSS or VmHWM; -1 when absent.
qint64 statusKb(const char *field)
{
    FILE *file = std::fopen("/proc/self/status", "r");
    if (!file)
        return -1;
    const size_t length = std::strlen(field);
    char line[256];
    qint64 kb = -1;
    while (std::fgets(line, sizeof line, file)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            kb = std::strtoll(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(file);
    return kb;
}

const char floorQml[] = "import QtQuick 2.15\n"
                        "import QtQuick.Window 2.15\n"
                        "Window { width: 770; height: 670; visible: true }\n";

struct ChildOptions
{
    QString mode;
    int seconds = 60;
    qint64 launchedNs = 0; // 0: not launched by the parent
    QString port;
};

// What one child measures; the first frame is stamped on the render thread.
struct Run
{
    QQuickWindow *window = nullptr;
    std::atomic<qint64> firstFrameNs { 0 };
    std::atomic<int> frames { 0 };
    int updates = 0;
    QMutex rendererMutex;
    QByteArray renderer;
};

void watchFirstWindow(QQmlApplicationEngine &engine, Run &run)
{
    QObject::connect(&engine, &QQmlApplicationEngine::objectCreated, [&run](QObject *object) {
        auto *window = qobject_cast<QQuickWindow *>(object);
        if (run.window || !window)
            return;
        run.window = window;
        QObject::connect(
            window, &QQuickWindow::sceneGraphInitialized, window,
            [&run] {
                QOpenGLContext *context = QOpenGLContext::currentContext();
                if (!context)
                    return;
                const auto *text = context->functions()->glGetString(GL_RENDERER);
                QMutexLocker locker(&run.rendererMutex);
                run.renderer = text ? QByteArray(reinterpret_cast<const char *>(text)) : "?";
            },
            Qt::DirectConnection);
        QObject::connect(
            window, &QQuickWindow::frameSwapped, window,
            [&run] {
                const qint64 now = monotonicNs();
                qint64 none = 0;
                run.firstFrameNs.compare_exchange_strong(none, now);
                ++run.frames;
            },
            Qt::DirectConnection);
    });
}

// Waits for the first frame, then for `seconds` of the event loop, and prints
// the one result line the parent reads.
int measure(QGuiApplication &app, Run &run, const ChildOptions &options, qint64 enteredNs)
{
    if (!run.window) {
        std::fprintf(stderr, "%s: no window was created\n", qPrintable(options.mode));
        return 1;
    }
    double cpuStart = 0;
    qint64 wallStart = 0;
    int framesStart = 0, updatesStart = 0;
    bool started = false;

    auto finish = [&] {
        const double cpu = cpuSeconds() - cpuStart;
        const double wall = (monotonicNs() - wallStart) / 1e9;
        const qint64 first = run.firstFrameNs.load();
        const double fromLaunch = options.launchedNs ? (first - options.launchedNs) / 1e6 : -1.0;
        const double fromMain = (first - enteredNs) / 1e6;
        QByteArray renderer;
        {
            QMutexLocker locker(&run.rendererMutex);
            renderer = run.renderer;
        }
        const auto *interface = run.window->rendererInterface();
        if (!interface || interface->graphicsApi() != QSGRendererInterface::OpenGL)
            renderer = "software (no OpenGL)";
        std::printf("RESULT launch_ms=%.1f main_ms=%.1f cpu_s=%.3f wall_s=%.3f rss_kb=%lld "
                    "hwm_kb=%lld updates=%d frames=%d renderer=%s\n",
            fromLaunch, fromMain, cpu, wall, statusKb("VmRSS"), statusKb("VmHWM"),
            run.updates - updatesStart, run.frames.load() - framesStart,
            renderer.isEmpty() ? "?" : renderer.constData());
        std::fflush(stdout);
        app.quit();
    };

    auto start = [&] {
        if (started)
            return;
        started = true;
        cpuStart = cpuSeconds();
        wallStart = monotonicNs();
        framesStart = run.frames.load();
        updatesStart = run.updates;
        if (options.seconds == 0)
            finish();
        else
            QTimer::singleShot(options.seconds * 1000, Qt::PreciseTimer, &app, finish);
    };
    // Queued from the render thread: the main thread starts the run.
    QObject::connect(run.window, &QQuickWindow::frameSwapped, &app, start);
    if (run.firstFrameNs.load())
        QTimer::singleShot(0, &app, start);
    QTimer::singleShot(30000, &app, [&] {
        if (started)
            return;
        std::fprintf(stderr, "%s: no frame within 30 s\n", qPrintable(options.mode));
        app.exit(1);
    });
    return app.exec();
}

// What src/app/main.cpp does, with the settings in a temporary folder, the
// gateway on a free port, uploads kept on this machine and the station
// simulator on the given pseudo-terminal.
int runConsole(int argc, char *argv[], const ChildOptions &options, qint64 enteredNs)
{
    QTemporaryDir folder;
    SysSettings settings(folder.path());
    debuglog::configure(&settings, folder.path() + QStringLiteral("/quorindebuglog.txt"));
    qInstallMessageHandler(debuglog::messageHandler);
    qDebug() << "Application starting";

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quorin"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quorin.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Skyquill"));
    keepPortalUploadsLocal();
    settings.setSerialPort(options.port);

    Run run;
    int exitCode = 0;
    {
        Console console(settings, 0);
        QModbus &modbus = console.modbus();
        QObject::connect(&modbus, &QModbus::airTempChanged, &app, [&run] { ++run.updates; });
        {
            QQmlApplicationEngine engine;
            watchFirstWindow(engine, run);
            engine.rootContext()->setContextProperty(QStringLiteral("Settings"), &settings);
            engine.rootContext()->setContextProperty(QStringLiteral("ModbusPort"), &modbus);
            engine.load(QUrl(QStringLiteral("qrc:/qml/main.qml")));
            exitCode = measure(app, run, options, enteredNs);
            debuglog::close();
        }
    }
    return exitCode;
}

int runFloor(int argc, char *argv[], const ChildOptions &options, qint64 enteredNs)
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QGuiApplication app(argc, argv);
    Run run;
    QQmlApplicationEngine engine;
    watchFirstWindow(engine, run);
    engine.loadData(floorQml);
    return measure(app, run, options, enteredNs);
}

using Result = std::map<QByteArray, QByteArray>;


std::optional<Result> launch(const QString &mode, int seconds, const QString &port)
{
    // The child's stderr (start-up chatter of the settings) is shown only
    // when the run fails.
    QProcess child;
    QStringList arguments { QStringLiteral("--mode"), mode, QStringLiteral("--seconds"),
        QString::number(seconds) };
    if (!port.isEmpty())
        arguments << QStringLiteral("--port") << port;
    const qint64 launched = monotonicNs();
    arguments << QStringLiteral("--launched") << QString::number(launched);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    auto fail = [&](const char *what) {
        std::fprintf(stderr, "%s run %s (exit code %d)\n%s", qPrintable(mode), what,
            child.exitCode(), child.readAllStandardError().constData());
        return std::nullopt;
    };
    if (!child.waitForFinished((seconds + 60) * 1000)) {
        child.kill();
        child.waitForFinished(3000);
        return fail("did not finish");
    }
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        if (!line.startsWith("RESULT "))
            continue;
        Result result;
        const int at = line.indexOf(" renderer=");
        const QByteArray fields = at < 0 ? line.mid(7) : line.mid(7, at - 7);
        for (const QByteArray &field : fields.split(' ')) {
            const int eq = field.indexOf('=');
            if (eq > 0)
                result[field.left(eq)] = field.mid(eq + 1);
        }
        if (at >= 0)
            result["renderer"] = line.mid(at + 10).trimmed();
        return result;
    }
    return fail("gave no result");
}

double number(const Result &result, const char *key)
{
    const auto it = result.find(key);
    return it == result.end() ? 0.0 : it->second.toDouble();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void row(const char *label, double console, double floor, const char *format)
{
    char a[32], b[32];
    std::snprintf(a, sizeof a, format, console);
    std::snprintf(b, sizeof b, format, floor);
    if (floor > 0)
        std::printf("  %-34s %12s %12s %10.2f\n", label, a, b, console / floor);
    else
        std::printf("  %-34s %12s %12s %10s\n", label, a, b, "-");
}

int runParent(int seconds, int launches)
{
    SimulatedStation station;
    if (!station.start(QStringLiteral(STATION_BINARY))) {
        std::fprintf(stderr, "station simulator did not start\n");
        return 1;
    }

    // One unrecorded launch each, so neither meets a cold file cache.
    std::vector<double> consoleLaunch, floorLaunch, consoleMain, floorMain;
    for (int i = -1; i < launches; ++i) {
        const auto f = launch(QStringLiteral("floor"), 0, QString());
        const auto c = launch(QStringLiteral("console"), 0, station.path);
        if (!f || !c)
            return 1;
        if (i < 0)
            continue;
        floorLaunch.push_back(number(*f, "launch_ms"));
        floorMain.push_back(number(*f, "main_ms"));
        consoleLaunch.push_back(number(*c, "launch_ms"));
        consoleMain.push_back(number(*c, "main_ms"));
    }

    const auto floor = launch(QStringLiteral("floor"), seconds, QString());
    const auto console = launch(QStringLiteral("console"), seconds, station.path);
    if (!floor || !console)
        return 1;

    std::printf("GUI: console beside a bare QQmlApplicationEngine with an empty 770x670 Window\n");
    std::printf("  renderer: console %s, floor %s\n", console->at("renderer").constData(),
        floor->at("renderer").constData());
    std::printf("  %-34s %12s %12s %10s\n", "", "console", "floor", "ratio");
    std::printf("start-up to first frameSwapped, median of %d launches\n", launches);
    row("from launch by the parent (ms)", median(consoleLaunch), median(floorLaunch), "%.1f");
    row("from main() entry (ms)", median(consoleMain), median(floorMain), "%.1f");
    std::printf(
        "%d s after the first frame (console: 1 Hz station updates; floor: idle)\n", seconds);
    const double consoleWall = number(*console, "wall_s"), floorWall = number(*floor, "wall_s");
    row("CPU time, user+sys (s)", number(*console, "cpu_s"), number(*floor, "cpu_s"), "%.3f");
    row("CPU share (%)", 100 * number(*console, "cpu_s") / consoleWall,
        100 * number(*floor, "cpu_s") / floorWall, "%.2f");
    row("VmRSS at the end (MiB)", number(*console, "rss_kb") / 1024,
        number(*floor, "rss_kb") / 1024, "%.1f");
    row("VmHWM peak (MiB)", number(*console, "hwm_kb") / 1024, number(*floor, "hwm_kb") / 1024,
        "%.1f");
    row("station updates", number(*console, "updates"), number(*floor, "updates"), "%.0f");
    row("frames swapped", number(*console, "frames"), number(*floor, "frames"), "%.0f");
    if (seconds > 0 && number(*console, "updates") < seconds / 2)
        std::printf("warning: the console got few station updates; the figures show an idle "
                    "dashboard\n");
    return 0;
}

bool readInt(const char *text, int low, int *value)
{
    char *end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!text[0] || *end || v < low || v > 100000)
        return false;
    *value = int(v);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const qint64 enteredNs = monotonicNs();

    ChildOptions options;
    int launches = 5;
    for (int i = 1; i < argc; ++i) {
        const QByteArray option = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = value != nullptr;
        if (option == "--mode" && ok)
            options.mode = QString::fromLatin1(value);
        else if (option == "--seconds" && ok)
            ok = readInt(value, 0, &options.seconds);
        else if (option == "--launches" && ok)
            ok = readInt(value, 1, &launches);
        else if (option == "--port" && ok)
            options.port = QString::fromLocal8Bit(value);
        else if (option == "--launched" && ok)
            options.launchedNs = QByteArray(value).toLongLong(&ok);
        else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "usage: %s [--seconds N] [--launches K]\n", argv[0]);
            return 2;
        }
        ++i;
    }

    if (options.mode == QLatin1String("console"))
        return runConsole(argc, argv, options, enteredNs);
    if (options.mode == QLatin1String("floor"))
        return runFloor(argc, argv, options, enteredNs);
    if (!options.mode.isEmpty()) {
        std::fprintf(stderr, "unknown mode %s\n", qPrintable(options.mode));
        return 2;
    }
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return runParent(options.seconds, launches);
}
