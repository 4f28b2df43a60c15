#pragma once

#include "app/console.h"
#include "app/qmlfaces.h"
#include "support/samplestation.h"
#include "support/unload.h"

#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QSignalSpy>

#include <memory>

// The real main.qml from the program's resources over a console fed by the
// sample station, its objects published as the program publishes them: what
// the user would read and click. The interface suites make one per test.
class ConsoleWindow
{
public:
    // `settings` must outlive the window. The gateway and the web server
    // take free ports unless told to follow their settings.
    explicit ConsoleWindow(SysSettings &store, int gatewayPort = 0, int webPort = 0)
        : settings(store)
        , console(store, gatewayPort, webPort)
    {
        fillSampleStation(station);
        console.modbus().setLinkFactory(fakeStationFactory(station));
    }

    // The acquisition stops and hands the bindings what it queued for them
    // while they still exist.
    ~ConsoleWindow()
    {
        stopAcquisitionAndDrain(&console.modbus());
        engine.reset();
    }

    QModbus &modbus() { return console.modbus(); }
    StationDisplay &display() { return console.display(); }

    // False when main.qml did not make its window.
    bool load(QObject *history = nullptr)
    {
        engine = std::make_unique<QQmlApplicationEngine>();
        publishFaces(
            engine->rootContext(), settings, console.display(), history, &console.records());
        engine->load(QUrl(QStringLiteral("qrc:/qml/main.qml")));
        const auto roots = engine->rootObjects();
        window = roots.size() == 1 ? qobject_cast<QQuickWindow *>(roots.first()) : nullptr;
        return window;
    }

    // One poll cycle, awaited until the bindings have it.
    bool runCycle()
    {
        QSignalSpy cycle(&console.display(), &StationDisplay::analogChanged);
        console.modbus().updateTimerTimeout();
        return cycle.wait(5000);
    }

    SysSettings &settings;
    FakeStation station;
    Console console;
    std::unique_ptr<QQmlApplicationEngine> engine;
    QQuickWindow *window = nullptr;
};
