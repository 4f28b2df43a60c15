// Renders both dashboards, the history view and the eight settings pages in
// both themes, the lock overlay and the link-failure dialog, to PNG files, fed
// by the sample station, for a review by eye. Run it on a real display
// (scripts/screenshot uses Xvfb with Mesa, so the box shadows are drawn).

#include "app/console.h"
#include "app/qmlfaces.h"
#include "app/scenegraph.h"
#include "archive/archivesettings.h"
#include "archive/archivestore.h"
#include "history/historymodel.h"
#include "settings/syssettings.h"
#include "support/localportal.h"
#include "support/samplestation.h"
#include "support/syntheticweather.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QMouseEvent>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

static void pause(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// What the display shows of the window, where the platform can read it back:
// that is what a user sees, whichever renderer drew it.
static QImage picture(QQuickWindow *window)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb") && window->screen()) {
        const QPixmap shown = window->screen()->grabWindow(window->winId());
        if (!shown.isNull())
            return shown.toImage();
    }
    return window->grabWindow();
}

static bool save(QQuickWindow *window, const QString &name)
{
    pause(300);
    std::printf("%s\n", qPrintable(name));
    return picture(window).save(name);
}

// Each settings tab in both themes (the units page once per view, so the
// runway box shows disabled and enabled), then the lock overlay.
static bool saveSettingsPages(
    QQmlApplicationEngine &engine, SysSettings &settings, Console &console, const QString &out)
{
    // Made on first use, as the settings button makes it.
    QObject *main = engine.rootObjects().first();
    QMetaObject::invokeMethod(main, "ensureSettingsWindow");
    auto *window = main->findChild<QQuickWindow *>(QStringLiteral("settingsWindow"));
    QObject *tabs = window ? window->findChild<QObject *>(QStringLiteral("tabs")) : nullptr;
    if (!tabs)
        return false;

    // One client of the gateway, so the Modbus page lists it.
    QTcpSocket client;
    client.connectToHost(QStringLiteral("127.0.0.1"), console.gateway().serverPort());
    client.waitForConnected(2000);
    settings.setSerialNumber(100000);
    settings.setPassword(QStringLiteral("station-key"));
    settings.setWuUsername(QStringLiteral("KXYZ123"));

    window->show();
    bool ok = true;
    const char *pages[] = { "units", "modbus", "advanced", "portal", "mqtt", "networks", "quality",
        "alarms", "web" };
    for (const char *theme : { "dark", "light" }) {
        settings.setViewMode(QLatin1String(theme) == QLatin1String("dark") ? 0 : 1);
        for (int tab = 0; tab < int(std::size(pages)); ++tab) {
            tabs->setProperty("currentIndex", tab);
            ok = save(window, QStringLiteral("%1/settings-%2-%3.png").arg(out, pages[tab], theme))
                && ok;
        }
        settings.changeTheme();
    }

    settings.setSettingsLockPassword(QStringLiteral("KelmorTX"));
    window->close();
    window->show();
    ok = save(window, out + QStringLiteral("/settings-locked-dark.png")) && ok;
    settings.clearSettingsLock();
    window->close();
    return ok;
}

// Through the visual tree: a Repeater's items are not QObject children of
// the items they show in.
static QQuickItem *findItem(QQuickItem *in, const QString &name)
{
    for (QQuickItem *child : in->childItems()) {
        if (child->objectName() == name)
            return child;
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}

// The history view over a month of made-up weather, both themes, the day and
// the month, with a touch on the temperature chart.
static bool saveHistory(QQuickWindow *window, SysSettings &settings, const QString &out)
{
    QMetaObject::invokeMethod(window, "toggleHistory");
    bool ok = true;
    for (const char *theme : { "dark", "light" }) {
        for (int range : { 0, 2 }) {
            if (QQuickItem *button
                = findItem(window->contentItem(), QStringLiteral("range%1").arg(range)))
                QMetaObject::invokeMethod(button, "clicked");
            pause(400);
            if (QQuickItem *chart
                = findItem(window->contentItem(), QStringLiteral("temperatureChart"))) {
                const QRectF plot = chart->property("plotArea").toRectF();
                const QPointF at = chart->mapToScene(plot.center() + QPointF(plot.width() / 5, 0));
                // A touch shows the readout as a hover does.
                QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
                QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton,
                    Qt::NoButton, Qt::NoModifier);
                QCoreApplication::sendEvent(window, &press);
                QCoreApplication::sendEvent(window, &release);
            }
            ok = save(window,
                     QStringLiteral("%1/history-%2-%3.png")
                         .arg(out, range ? QStringLiteral("30d") : QStringLiteral("24h"),
                             QLatin1String(theme)))
                && ok;
        }
        settings.changeTheme();
    }
    // The records page: its table and the month's report.
    for (const char *page : { "recordsButton", "climateReportsButton" }) {
        if (QQuickItem *button = findItem(window->contentItem(), QLatin1String(page)))
            QMetaObject::invokeMethod(button, "clicked");
        pause(400);
        ok = save(window, QStringLiteral("%1/history-%2.png").arg(out, QLatin1String(page))) && ok;
    }
    QMetaObject::invokeMethod(window, "toggleHistory");
    return ok;
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The renderer the program would choose on this machine.
    scenegraph::choose();
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [RUNWAY [STATION_PORT]]\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    QTemporaryDir folder;
    SysSettings settings(folder.path());
    settings.setTemperatureUnits(0);
    settings.setPressureUnits(0);
    settings.setSpeedUnits(2);
    settings.setRunwayAngle(argc > 2 ? QByteArray(argv[2]).toInt() : 9);

    // With a port (the simulator's pseudo-terminal) the console reads a live
    // station; without one, the sample station's fixed values.
    const QString stationPort = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    FakeStation station;
    fillSampleStation(station);
    keepPortalUploadsLocal();
    {
        // The month up to now, so the graphs meet the live minutes.
        ArchiveStore store;
        const qint64 now = QDateTime::currentSecsSinceEpoch() / 60 * 60;
        if (store.open(archivePath(settings)) == ArchiveStore::OpenResult::Ready)
            store.insert(syntheticMinutes(now - 31 * 86400, 31 * 1440));
    }
    Console console(settings, 0, 0);
    QModbus &modbus = console.modbus();
    HistoryModel history(settings, archivePath(settings));
    if (stationPort.isEmpty())
        modbus.setLinkFactory(fakeStationFactory(station));
    else
        settings.setSerialPort(stationPort);

    int rc = 1;
    {
        QQmlApplicationEngine engine;
        publishFaces(
            engine.rootContext(), settings, console.display(), &history, &console.records());
        engine.load(QUrl(QStringLiteral("qrc:/qml/main.qml")));
        auto *window = engine.rootObjects().isEmpty()
            ? nullptr
            : qobject_cast<QQuickWindow *>(engine.rootObjects().first());
        if (window) {
            QEventLoop waitForData;
            QObject::connect(&console.display(), &StationDisplay::analogChanged, &waitForData,
                &QEventLoop::quit);
            QTimer::singleShot(10000, &waitForData, &QEventLoop::quit);
            modbus.updateTimerTimeout();
            waitForData.exec();
            pause(4000); // let the needles settle

            rc = 0;
            for (const char *theme : { "dark", "light" }) {
                for (int view : { 0, 1 }) {
                    settings.setViewMode(view);
                    pause(300);
                    const QString name
                        = QStringLiteral("%1/%2-%3.png")
                              .arg(out, view ? "aviation" : "standard", QLatin1String(theme));
                    if (!picture(window).save(name))
                        rc = 1;
                    std::printf("%s\n", qPrintable(name));
                }
                settings.changeTheme();
            }
            // Twice the design size shows the scaling and the details.
            const int footer = window->height() - 670;
            window->resize(1540, 1340 + footer);
            for (const char *theme : { "dark", "light" }) {
                for (int view : { 0, 1 }) {
                    settings.setViewMode(view);
                    pause(500);
                    const QString name
                        = QStringLiteral("%1/%2-%3-2x.png")
                              .arg(out, view ? "aviation" : "standard", QLatin1String(theme));
                    if (!picture(window).save(name))
                        rc = 1;
                    std::printf("%s\n", qPrintable(name));
                }
                settings.changeTheme();
            }

            window->resize(770, 670 + footer);
            if (!saveHistory(window, settings, out))
                rc = 1;
            if (!saveSettingsPages(engine, settings, console, out))
                rc = 1;

            // The link-failure dialog as a user without access to the port sees it.
            if (QObject *dialog = window->findChild<QObject *>(QStringLiteral("messageDialog"))) {
                dialog->setProperty("text", QStringLiteral("Failed to open port ttyUSB0"));
                dialog->setProperty("informativeText",
                    QStringLiteral("Permission denied: add your user to the dialout group."));
                QMetaObject::invokeMethod(dialog, "open");
                if (!save(window, out + QStringLiteral("/link-failure.png")))
                    rc = 1;
            }
        }
    }
    return rc;
}
