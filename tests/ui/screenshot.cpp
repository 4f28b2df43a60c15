// Renders both dashboards and the four settings pages in both themes, and
// the lock overlay, to PNG files, fed by the sample station, for a review by
// eye. Run it on a real display (scripts/screenshot uses Xvfb with Mesa, so
// the box shadows are drawn).

#include "acquisition/qmodbus.h"
#include "samplestation.h"
#include "settings/syssettings.h"
#include "support/localportal.h"

#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
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

static bool save(QQuickWindow *window, const QString &name)
{
    pause(300);
    std::printf("%s\n", qPrintable(name));
    return window->grabWindow().save(name);
}

// Each settings tab in both themes (the units page once per view, so the
// runway box shows disabled and enabled), then the lock overlay.
static bool saveSettingsPages(
    QQmlApplicationEngine &engine, SysSettings &settings, QModbus &modbus, const QString &out)
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
    client.connectToHost(QStringLiteral("127.0.0.1"), modbus.gatewayServerPort());
    client.waitForConnected(2000);
    settings.setSerialNumber(100000);
    settings.setPassword(QStringLiteral("station-key"));
    settings.setWuUsername(QStringLiteral("KXYZ123"));

    window->show();
    bool ok = true;
    const char *pages[] = { "units", "modbus", "advanced", "portal" };
    for (const char *theme : { "dark", "light" }) {
        settings.setViewMode(QLatin1String(theme) == QLatin1String("dark") ? 0 : 1);
        for (int tab = 0; tab < 4; ++tab) {
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

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
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
    QModbus modbus(&settings, 0);
    if (stationPort.isEmpty())
        modbus.setLinkFactory(fakeStationFactory(station));
    else
        settings.setSerialPort(stationPort);

    int rc = 1;
    {
        QQmlApplicationEngine engine;
        engine.rootContext()->setContextProperty(QStringLiteral("Settings"), &settings);
        engine.rootContext()->setContextProperty(QStringLiteral("ModbusPort"), &modbus);
        engine.load(QUrl(QStringLiteral("qrc:/qml/main.qml")));
        auto *window = engine.rootObjects().isEmpty()
            ? nullptr
            : qobject_cast<QQuickWindow *>(engine.rootObjects().first());
        if (window) {
            QEventLoop waitForData;
            QObject::connect(&modbus, &QModbus::analogChanged, &waitForData, &QEventLoop::quit);
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
                    if (!window->grabWindow().save(name))
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
                    if (!window->grabWindow().save(name))
                        rc = 1;
                    std::printf("%s\n", qPrintable(name));
                }
                settings.changeTheme();
            }

            window->resize(770, 670 + footer);
            if (!saveSettingsPages(engine, settings, modbus, out))
                rc = 1;
        }
    }
    return rc;
}
