// The console's drawing and start-up cost beside a bare QQmlApplicationEngine
// showing an empty window of the same size (the floor):
//
// - start-up to the first frame, from launch and from main(), median of K
//   launches per side;
// - then, in one long run per side after a 3 s warm-up: N s of 1 Hz station
//   updates (frames per update, CPU share, memory); 10 s with the station's
//   weather held still; 10 s iconified the way a window manager does it
//   (WM_STATE Iconic and unmapped); 10 s under the settings window, raised
//   over the main window at its size.
//
// Each side is a child process of its own (this binary again, with --mode), so
// start-up and memory do not mix. The console's child asks the parent to send
// "hold" and "resume" to the station simulator by a line on its stdout, and
// the parent answers on the child's stdin once the station has confirmed.
//
//   bench_gui [--seconds N] [--launches K]
//
// Run it on a real display (scripts/bench-gui uses Xvfb). Both sides draw with
// the renderer the program would choose there; QT_QUICK_BACKEND chooses
// otherwise.
#include "app/console.h"
#include "app/debuglog.h"
#include "app/leanstartup.h"
#include "app/qmlfaces.h"
#include "app/scenegraph.h"
#include "archive/archivesettings.h"
#include "history/historymodel.h"
#include "settings/syssettings.h"
#include "support/localportal.h"
#include "support/simulatedstation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QProcess>
#include <QQmlApplicationEngine>
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
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include <sys/resource.h>
#include <xcb/xcb.h>

namespace {

constexpr int WarmUpMs = 3000;
constexpr int PhaseMs = 10000;
// After "hold" the console may still read one changed set, and its needles
// need a moment to come to rest.
constexpr int HoldSettleMs = 3000;
constexpr int SettleMs = 1000;

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
    int seconds = 30;
    qint64 launchedNs = 0; // 0: not launched by the parent
    QString port;
};

// What one child measures; the first frame is stamped on the render thread.
struct Run
{
    QQuickWindow *window = nullptr;
    std::atomic<qint64> firstFrameNs { 0 };
    // CPU time of the whole process when the first frame was swapped: less
    // at the mercy of other load on the machine than the wall time.
    std::atomic<double> firstFrameCpu { 0 };
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
                if (run.firstFrameNs.compare_exchange_strong(none, now))
                    run.firstFrameCpu = cpuSeconds();
                ++run.frames;
            },
            Qt::DirectConnection);
    });
}

// Plays the part of a window manager that iconifies and restores a window:
// the ICCCM state on the window, then unmapping or mapping it. Qt reads the
// state as minimised and the unmapping as the end of exposure.
class WindowManager
{
public:
    WindowManager()
        : connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(connection))
            return;
        const char name[] = "WM_STATE";
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
        if (reply) {
            wmState = reply->atom;
            std::free(reply);
        }
    }
    ~WindowManager() { xcb_disconnect(connection); }

    bool usable() const { return !xcb_connection_has_error(connection) && wmState; }

    void iconify(WId window) { setState(window, 3, false); }
    void restore(WId window) { setState(window, 1, true); }

private:
    void setState(WId window, quint32 state, bool map)
    {
        const quint32 data[2] = { state, 0 };
        const auto id = xcb_window_t(window);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, wmState, wmState, 32, 2, data);
        if (map)
            xcb_map_window(connection, id);
        else
            xcb_unmap_window(connection, id);
        xcb_flush(connection);
    }

    xcb_connection_t *connection;
    xcb_atom_t wmState = 0;
};

// Frames, updates and CPU over one phase of the long run.
struct Phase
{
    int frames = 0;
    int updates = 0;
    double cpu = 0;
    double wall = 0;
    bool valid = true;
};

class PhaseMeter
{
public:
    explicit PhaseMeter(const Run &measured)
        : run(measured)
    {
    }
    void start()
    {
        frames = run.frames.load();
        updates = run.updates;
        cpu = cpuSeconds();
        wall = monotonicNs();
    }
    Phase stop() const
    {
        Phase p;
        p.frames = run.frames.load() - frames;
        p.updates = run.updates - updates;
        p.cpu = cpuSeconds() - cpu;
        p.wall = (monotonicNs() - wall) / 1e9;
        return p;
    }

private:
    const Run &run;
    int frames = 0, updates = 0;
    double cpu = 0;
    qint64 wall = 0;
};

// Asks the parent to send a line to the station and waits for its answer.
bool askStation(const char *command)
{
    std::printf("STATION %s\n", command);
    std::fflush(stdout);
    char line[64];
    return std::fgets(line, sizeof line, stdin) && std::strncmp(line, "OK", 2) == 0;
}

// The settings window, made and shown the way the settings button does it;
// null when the interface offers none.
QQuickWindow *showSettingsWindow(QQuickWindow *main)
{
    auto find
        = [main] { return main->findChild<QQuickWindow *>(QStringLiteral("settingsWindow")); };
    QQuickWindow *settings = find();
    if (!settings) {
        QMetaObject::invokeMethod(main, "openSettings");
        settings = find();
    }
    if (!settings)
        return nullptr;
    settings->setGeometry(main->geometry());
    settings->show();
    settings->raise();
    return settings;
}

// Steps of the long run, one after the other on the event loop.
class Schedule
{
public:
    void then(int delayMs, std::function<void()> step)
    {
        steps.push_back({ delayMs, std::move(step) });
    }
    void run()
    {
        if (next >= steps.size())
            return;
        const Step &step = steps[next++];
        QTimer::singleShot(step.delayMs, Qt::PreciseTimer, [this, &step] {
            step.action();
            run();
        });
    }

private:
    struct Step
    {
        int delayMs;
        std::function<void()> action;
    };
    std::vector<Step> steps;
    size_t next = 0;
};

void printPhase(const char *name, const Phase &p)
{
    std::printf(" %s_frames=%d %s_updates=%d %s_cpu=%.3f %s_wall=%.3f %s_valid=%d", name, p.frames,
        name, p.updates, name, p.cpu, name, p.wall, name, p.valid ? 1 : 0);
}

// Waits for the first frame, then runs the phases, and prints the one result
// line the parent reads.
int measure(QGuiApplication &app, Run &run, const ChildOptions &options, qint64 enteredNs)
{
    if (!run.window) {
        std::fprintf(stderr, "%s: no window was created\n", qPrintable(options.mode));
        return 1;
    }
    const bool console = options.mode == QLatin1String("console");
    PhaseMeter meter(run);
    Phase updates, hold, minimised, covered;
    qint64 rssKb = 0;
    bool started = false;
    WindowManager wm;
    QQuickWindow *settings = nullptr;
    Schedule schedule;

    auto finish = [&] {
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
        std::printf("RESULT launch_ms=%.1f main_ms=%.1f cpu_ms=%.1f rss_kb=%lld hwm_kb=%lld",
            fromLaunch, fromMain, run.firstFrameCpu.load() * 1000,
            rssKb ? rssKb : statusKb("VmRSS"), statusKb("VmHWM"));
        printPhase("run", updates);
        printPhase("hold", hold);
        printPhase("min", minimised);
        printPhase("cover", covered);
        std::printf(" renderer=%s\n", renderer.isEmpty() ? "?" : renderer.constData());
        std::fflush(stdout);
        app.quit();
    };

    // A state the platform has to confirm: polled, since QWindow signals no
    // change of exposure.
    auto waitFor = [](const std::function<bool()> &done) {
        for (int i = 0; i < 60 && !done(); ++i) {
            QEventLoop loop;
            QTimer::singleShot(50, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return done();
    };

    schedule.then(WarmUpMs, [&] { meter.start(); });
    schedule.then(options.seconds * 1000, [&] {
        updates = meter.stop();
        rssKb = statusKb("VmRSS");
        if (console)
            hold.valid = askStation("hold");
    });
    schedule.then(HoldSettleMs, [&] { meter.start(); });
    schedule.then(PhaseMs, [&] {
        const bool held = hold.valid;
        hold = meter.stop();
        hold.valid = held;
        if (console && !askStation("resume"))
            hold.valid = false;
        minimised.valid = wm.usable();
        if (minimised.valid) {
            wm.iconify(run.window->winId());
            minimised.valid = waitFor([&] {
                return !run.window->isExposed() && run.window->visibility() == QWindow::Minimized;
            });
        }
    });
    schedule.then(SettleMs, [&] { meter.start(); });
    schedule.then(PhaseMs, [&] {
        const bool valid = minimised.valid;
        minimised = meter.stop();
        minimised.valid = valid;
        if (wm.usable()) {
            wm.restore(run.window->winId());
            waitFor([&] { return run.window->isExposed(); });
        }
    });
    schedule.then(SettleMs, [&] {
        settings = showSettingsWindow(run.window);
        covered.valid = settings != nullptr;
    });
    schedule.then(SettleMs, [&] { meter.start(); });
    schedule.then(PhaseMs, [&] {
        const bool valid = covered.valid;
        covered = meter.stop();
        covered.valid = valid;
        if (settings)
            settings->hide();
        finish();
    });

    auto start = [&] {
        if (started)
            return;
        started = true;
        if (options.seconds == 0)
            finish();
        else
            schedule.run();
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
    // A console that has run before: its settings are there, so no first
    // start's port scan.
    {
        QFile ini(folder.filePath(QStringLiteral("settings.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[General]\nSerialPort=" + QFile::encodeName(options.port) + "\n");
    }
    SysSettings settings(folder.path());
    debuglog::configure(&settings, folder.path() + QStringLiteral("/quorindebuglog.txt"));
    qInstallMessageHandler(debuglog::messageHandler);
    qDebug() << "Application starting";

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    // As the program: Qt Charts wants the widgets' application.
    leanstartup::setAtlasSize();
    QApplication app(argc, argv);
    scenegraph::choose();
    leanstartup::trimHeapSoon();
    QCoreApplication::setOrganizationName(QStringLiteral("Quorin"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quorin.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Skyquill"));
    keepPortalUploadsLocal();

    Run run;
    int exitCode = 0;
    {
        Console console(settings, 0, 0);
        QModbus &modbus = console.modbus();
        HistoryModel history(settings, archivePath(settings));
        history.setClock([&modbus] { return modbus.now(); });
        QObject::connect(
            &console.display(), &StationDisplay::dataReceived, &app, [&run] { ++run.updates; });
        {
            QQmlApplicationEngine engine;
            watchFirstWindow(engine, run);
            publishFaces(
                engine.rootContext(), settings, console.display(), &history, &console.records());
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
    // The renderer the console would choose on this machine.
    scenegraph::choose();
    Run run;
    QQmlApplicationEngine engine;
    watchFirstWindow(engine, run);
    engine.loadData(floorQml);
    return measure(app, run, options, enteredNs);
}

using Result = std::map<QByteArray, QByteArray>;

std::optional<Result> launch(
    const QString &mode, int seconds, const QString &port, SimulatedStation *station)
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
    const qint64 deadline = launched + qint64(seconds + 120) * 1000000000;
    QByteArray resultLine;
    while (child.state() != QProcess::NotRunning || child.canReadLine()) {
        if (monotonicNs() > deadline) {
            child.kill();
            child.waitForFinished(3000);
            return fail("did not finish");
        }
        if (!child.canReadLine()) {
            child.waitForReadyRead(200);
            continue;
        }
        const QByteArray line = child.readLine().trimmed();
        if (line.startsWith("STATION ")) {
            const QByteArray command = line.mid(8);
            const bool ok = station && station->command(command, "WEATHER " + command);
            child.write(ok ? "OK\n" : "FAILED\n");
        } else if (line.startsWith("RESULT ")) {
            resultLine = line;
        }
    }
    if (resultLine.isEmpty())
        return fail("gave no result");
    Result result;
    const int at = resultLine.indexOf(" renderer=");
    const QByteArray fields = at < 0 ? resultLine.mid(7) : resultLine.mid(7, at - 7);
    for (const QByteArray &field : fields.split(' ')) {
        const int eq = field.indexOf('=');
        if (eq > 0)
            result[field.left(eq)] = field.mid(eq + 1);
    }
    if (at >= 0)
        result["renderer"] = resultLine.mid(at + 10).trimmed();
    return result;
}

double number(const Result &result, const QByteArray &key)
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

double share(const Result &r, const QByteArray &phase)
{
    const double wall = number(r, phase + "_wall");
    return wall > 0 ? 100 * number(r, phase + "_cpu") / wall : 0;
}

void phaseRows(const Result &c, const Result &f, const QByteArray &phase, bool perUpdate)
{
    row("station updates", number(c, phase + "_updates"), number(f, phase + "_updates"), "%.0f");
    row("frames swapped", number(c, phase + "_frames"), number(f, phase + "_frames"), "%.0f");
    if (perUpdate) {
        const double updates = number(c, phase + "_updates");
        row("frames per update", updates > 0 ? number(c, phase + "_frames") / updates : 0, 0,
            "%.2f");
    }
    row("CPU time, user+sys (s)", number(c, phase + "_cpu"), number(f, phase + "_cpu"), "%.3f");
    row("CPU share (%)", share(c, phase), share(f, phase), "%.2f");
    if (number(c, phase + "_valid") == 0)
        std::printf("  warning: this phase could not be set up as intended\n");
}

int runParent(int seconds, int launches)
{
    SimulatedStation station;
    if (!station.start(QStringLiteral(STATION_BINARY))) {
        std::fprintf(stderr, "station simulator did not start\n");
        return 1;
    }

    // One unrecorded launch each, so neither meets a cold file cache.
    std::vector<double> consoleLaunch, floorLaunch, consoleMain, floorMain, consoleCpu, floorCpu;
    for (int i = -1; i < launches; ++i) {
        const auto f = launch(QStringLiteral("floor"), 0, QString(), nullptr);
        const auto c = launch(QStringLiteral("console"), 0, station.path, nullptr);
        if (!f || !c)
            return 1;
        if (i < 0)
            continue;
        floorLaunch.push_back(number(*f, "launch_ms"));
        floorMain.push_back(number(*f, "main_ms"));
        consoleLaunch.push_back(number(*c, "launch_ms"));
        consoleMain.push_back(number(*c, "main_ms"));
        floorCpu.push_back(number(*f, "cpu_ms"));
        consoleCpu.push_back(number(*c, "cpu_ms"));
    }

    const auto floor = launch(QStringLiteral("floor"), seconds, QString(), nullptr);
    const auto console = launch(QStringLiteral("console"), seconds, station.path, &station);
    if (!floor || !console)
        return 1;
    const Result &c = *console, &f = *floor;

    std::printf("GUI: console beside a bare QQmlApplicationEngine with an empty 770x670 Window\n");
    std::printf("  renderer: console %s, floor %s\n", c.at("renderer").constData(),
        f.at("renderer").constData());
    std::printf("  %-34s %12s %12s %10s\n", "", "console", "floor", "ratio");
    std::printf("start-up to first frameSwapped, median of %d launches\n", launches);
    row("from launch by the parent (ms)", median(consoleLaunch), median(floorLaunch), "%.1f");
    row("from main() entry (ms)", median(consoleMain), median(floorMain), "%.1f");
    row("CPU time to it, all threads (ms)", median(consoleCpu), median(floorCpu), "%.1f");
    std::printf("%d s of 1 Hz station updates after a %d s warm-up (floor: idle)\n", seconds,
        WarmUpMs / 1000);
    phaseRows(c, f, "run", true);
    row("VmRSS at the end (MiB)", number(c, "rss_kb") / 1024, number(f, "rss_kb") / 1024, "%.1f");
    row("VmHWM peak, whole run (MiB)", number(c, "hwm_kb") / 1024, number(f, "hwm_kb") / 1024,
        "%.1f");
    std::printf("%d s with the station's weather held still, %d s after \"hold\"\n", PhaseMs / 1000,
        HoldSettleMs / 1000);
    phaseRows(c, f, "hold", false);
    std::printf(
        "%d s iconified as a window manager does it (WM_STATE Iconic, unmapped)\n", PhaseMs / 1000);
    phaseRows(c, f, "min", false);
    std::printf("%d s under the settings window, raised over the main window at its size\n",
        PhaseMs / 1000);
    phaseRows(c, f, "cover", false);
    std::printf("  (X11 without a compositor does not tell a window that it is covered)\n");
    if (seconds > 0 && number(c, "run_updates") < seconds / 2)
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
