#include "acquisition/rtulink.h"
#include "acquisition/tcplink.h"
#include "consolewindow.h"
#include "settings/syssettings.h"
#include "support/localportal.h"
#include "support/qmlmessages.h"
#include "support/reservedport.h"
#include "support/unprivileged.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The dashboards of the real main.qml over the sample station: what the user
// would read.
using namespace qmlmessages;

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { keepPortalUploadsLocal(); }

    void init()
    {
        warnings.clear();
        debugLines.clear();
        previousHandler = qInstallMessageHandler(qmlmessages::record);

        folder = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<SysSettings>(folder->path());
        settings->setTemperatureUnits(0);
        settings->setPressureUnits(0);
        settings->setSpeedUnits(2);
        settings->setSerialPort(QStringLiteral("COM7"));
        ui = std::make_unique<ConsoleWindow>(*settings);
        modbus = &ui->modbus();
        realLinks = false;
        modbus->setLinkFactory(
            [this, fake = fakeStationFactory(ui->station)](bool tcp, RegisterImage &image,
                const std::atomic<bool> *interrupt) -> std::unique_ptr<StationLink> {
                if (!realLinks)
                    return fake(tcp, image, interrupt);
                // This runs on the acquisition thread, which opens the ports:
                // there a mode-000 device is denied even to a test run as root.
                unprivileged::dropFileAccess();
                if (tcp)
                    return std::make_unique<TcpLink>(image, interrupt);
                return std::make_unique<RtuLink>(image, interrupt);
            });
        modbus->setClock(
            [] { return QDateTime(QDate(2026, 3, 6), QTime(14, 5), Qt::UTC).toLocalTime(); });

        // Delivered through this thread's event loop after the other change
        // signals of the cycle, so the bindings have all been updated by then.
        cycles = 0;
        connect(&ui->display(), &StationDisplay::analogChanged, this, [this] { ++cycles; });
        QVERIFY(ui->load());
        window = ui->window;
        // The pages have started the thread; the first cycle runs on this tick.
        QVERIFY(modbus->isRunning());
        modbus->updateTimerTimeout();
        QTRY_VERIFY_WITH_TIMEOUT(cycles > 0, 5000);
    }

    void cleanup()
    {
        ui.reset();
        modbus = nullptr;
        settings.reset();
        // Replies, managers and QML objects released with deleteLater go now,
        // not at exit, where they would read as leaks.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qInstallMessageHandler(previousHandler);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
    }

    void standardViewInBothThemes()
    {
        QVERIFY(page("standardPage")->isVisible());
        // The other view is made when it is first shown.
        QVERIFY(!window->findChild<QQuickItem *>(QStringLiteral("aviationPage")));

        QCOMPARE(text("standardPage", "temperatureText"), QStringLiteral("21.4 <sup>°C</sup>"));
        QCOMPARE(text("standardPage", "textTempH"), QStringLiteral("<b>High</b> 21.4"));
        QCOMPARE(text("standardPage", "textTempL"), QStringLiteral("<b>Low</b> 21.4"));
        QCOMPARE(text("standardPage", "dewPointText"), QStringLiteral("9.6"));
        QCOMPARE(text("standardPage", "windChillText"), QStringLiteral("19.9 °C"));
        QCOMPARE(text("standardPage", "humidexText"), QStringLiteral("25.0 °C"));
        QCOMPARE(text("standardPage", "heatIndexText"), QStringLiteral("21.8 °C"));
        QCOMPARE(text("standardPage", "wbgtText"), QStringLiteral("18.0 °C"));
        QCOMPARE(text("standardPage", "humidityText"), QStringLiteral("55.5 %"));
        QCOMPARE(text("standardPage", "pressureText"), QStringLiteral("1015.0 mbar"));
        QCOMPARE(text("standardPage", "textPressureH"), QStringLiteral("<b>High</b> 1015.0"));
        QCOMPARE(text("standardPage", "textUncompPressure"), QStringLiteral("978.00"));
        QCOMPARE(text("standardPage", "pressureTrendText"), QStringLiteral("Rising"));
        // 1.27 mm today, the station's own unit.
        QCOMPARE(text("standardPage", "rainText"), QStringLiteral("1.3 mm"));
        QCOMPARE(text("standardPage", "rainRateText"), QStringLiteral("1.20mm/hr"));
        QCOMPARE(text("standardPage", "solarText"), QStringLiteral("200 W/m^2"));
        // 5.2, 4.8 and 9.3 m/s in km/h: 18.72, 17.28, 33.48.
        QCOMPARE(text("standardPage", "textWindSpeed"), QStringLiteral("18.7 km/h"));
        QCOMPARE(text("standardPage", "textWindDir"), QStringLiteral("247.5 °"));
        QCOMPARE(text("standardPage", "textWindSpeed2"), QStringLiteral("17.3 km/h @"));
        QCOMPARE(text("standardPage", "textWindDir10"), QStringLiteral("230.0 °"));
        QCOMPARE(text("standardPage", "textWindSpeedGust"), QStringLiteral("33.5 km/h @"));
        QCOMPARE(text("standardPage", "textWindDirGust"), QStringLiteral("255.0 °"));
        QCOMPARE(item("standardPage", "windGauge")->property("max").toInt(), 80);

        // Dark theme first, then light: every colour follows the settings.
        QCOMPARE(colour("standardPage", "textTempH"), QColor("#FF9999"));
        QCOMPARE(colour("standardPage", "textTempL"), QColor("#9999FF"));
        QCOMPARE(colour("standardPage", "dewPointText"), QColor("#FFEE99"));
        QCOMPARE(colour("standardPage", "temperatureText"), QColor("#FFFFFF"));
        QCOMPARE(colour("standardPage", "wbgtText"), QColor("#9999FF")); // 18.0 C: blue band
        settings->changeTheme();
        QCOMPARE(colour("standardPage", "textTempH"), QColor("#B20000"));
        QCOMPARE(colour("standardPage", "textTempL"), QColor("#0000B2"));
        QCOMPARE(colour("standardPage", "dewPointText"), QColor("#E57200"));
        QCOMPARE(colour("standardPage", "temperatureText"), QColor("#000000"));
        QCOMPARE(colour("standardPage", "textWindSpeed10"), QColor("#007F00"));
        QCOMPARE(colour("standardPage", "wbgtText"), QColor("#0000B2"));
        QCOMPARE(text("standardPage", "temperatureText"), QStringLiteral("21.4 <sup>°C</sup>"));
    }

    void aviationViewInBothThemes()
    {
        settings->setRunwayAngle(9);
        settings->setViewMode(1);
        QVERIFY(page("aviationPage")->isVisible());
        QVERIFY(!page("standardPage")->isVisible());

        // Altimeter from 978.0 hPa at 300 m: 977.7 x 1.03635 = 1013.24 hPa.
        QCOMPARE(text("aviationPage", "pressureText"), QStringLiteral("1013.2 mbar"));
        QCOMPARE(text("aviationPage", "textPressureH"), QStringLiteral("<b>High</b> 1013.2"));
        QCOMPARE(text("aviationPage", "textUncompPressure"), QStringLiteral("978.00"));
        QCOMPARE(text("aviationPage", "textMETAR"),
            QStringLiteral("<b>METAR</b> 061405Z AUTO 24009G18KT 21/10 A2992 RMK AO1 SLP132="));
        // (1 - (28.8836 x 17.326 / 530.19)^0.235) x 145442.16 = 1960.6 ft.
        QCOMPARE(text("aviationPage", "densityAltitudeText"), QStringLiteral("2000 ft"));
        // (21.4 - 9.6) / 2.54 x 1000 = 4645.7 ft.
        QCOMPARE(text("aviationPage", "estCloudBaseText"), QStringLiteral("4600 ft"));
        QCOMPARE(text("aviationPage", "rainText"), QStringLiteral("1.3 mm"));
        QCOMPARE(text("aviationPage", "temperatureText"), QStringLiteral("21.4 <sup>°C</sup>"));

        QQuickItem *runway = item("aviationPage", "runwayImage");
        QVERIFY(runway->isVisible());
        QCOMPARE(runway->rotation(), 90.0);
        QCOMPARE(colour("aviationPage", "textPressureH"), QColor("#FF9999"));

        settings->changeTheme();
        QCOMPARE(colour("aviationPage", "textPressureH"), QColor("#B20000"));
        QCOMPARE(colour("aviationPage", "textMETAR"), QColor("#000000"));
        settings->setRunwayAngle(-99);
        QVERIFY(!runway->isVisible());

        settings->setViewMode(0);
        QVERIFY(page("standardPage")->isVisible());
        QVERIFY(!page("aviationPage")->isVisible());
    }

    void unitsChangeTheTexts()
    {
        settings->setTemperatureUnits(1);
        settings->setPressureUnits(2);
        // Every text follows at once, without waiting for the next update.
        // 21.4 C = 70.52 F; 19.9 C = 67.82 F; humidex stays Celsius.
        QCOMPARE(text("standardPage", "temperatureText"), QStringLiteral("70.5 <sup>°F</sup>"));
        QCOMPARE(text("standardPage", "textTempH"), QStringLiteral("<b>High</b> 70.5"));
        QCOMPARE(text("standardPage", "windChillText"), QStringLiteral("67.8 °F"));
        QCOMPARE(text("standardPage", "humidexText"), QStringLiteral("25.0 °C"));
        // 1015.0 and 978.0 hPa in inHg: 29.976 and 28.884.
        QCOMPARE(text("standardPage", "pressureText"), QStringLiteral("29.98 inHg"));
        QCOMPARE(text("standardPage", "textUncompPressure"), QStringLiteral("28.88"));
        // The other view, made now, shows the same units.
        settings->setViewMode(1);
        QCOMPARE(text("aviationPage", "pressureText"), QStringLiteral("29.92 inHg"));
    }

    void linkFailureDialog()
    {
        // Made with the first failure.
        QVERIFY(!window->findChild<QObject *>(QStringLiteral("messageDialog")));
        emit modbus->openPortFailed();
        QObject *dialog = window->findChild<QObject *>(QStringLiteral("messageDialog"));
        QVERIFY(dialog);
        QCOMPARE(dialog->property("text").toString(), QStringLiteral("Failed to open port COM7"));
        QVERIFY(dialog->property("visible").toBool());
        QVERIFY(debugLines.contains(QStringLiteral("Failed to open port COM7")));

        settings->setModbusIP(QStringLiteral("10.0.0.9"));
        settings->setModbusPort(1502);
        emit modbus->openSocketFailed();
        QCOMPARE(dialog->property("text").toString(),
            QStringLiteral("Failed to open socket to 10.0.0.9:1502"));
        QVERIFY(debugLines.contains(QStringLiteral("Failed to open socket to tcp server")));
        QMetaObject::invokeMethod(dialog, "close");
    }

    void realFailuresSayWhy()
    {
        QTemporaryDir devices;
        QVERIFY(unprivileged::letIn(devices.path()));
        const QString gone = devices.filePath(QStringLiteral("ttyGone"));
        const QString locked = devices.filePath(QStringLiteral("ttyLocked"));
        {
            QFile device(locked);
            QVERIFY(device.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
        ReservedPort refusing;
        QVERIFY(refusing.port != 0);
        realLinks = true;

        settings->setSerialPort(gone);
        // Made by the first failure it shows.
        QObject *dialog = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (dialog = window->findChild<QObject *>(QStringLiteral("messageDialog")))
                && dialog->property("visible").toBool(),
            5000);
        QCOMPARE(dialog->property("text").toString(), "Failed to open port " + gone);
        QCOMPARE(dialog->property("informativeText").toString(),
            QStringLiteral("This port does not exist."));
        QMetaObject::invokeMethod(dialog, "close");
        QTRY_VERIFY(!dialog->property("visible").toBool());

        settings->setSerialPort(locked);
        QTRY_VERIFY_WITH_TIMEOUT(dialog->property("visible").toBool(), 5000);
        QCOMPARE(dialog->property("text").toString(), "Failed to open port " + locked);
        QCOMPARE(dialog->property("informativeText").toString(),
            QStringLiteral("Permission denied: add your user to the dialout group."));

        settings->setModbusIP(QStringLiteral("127.0.0.1"));
        settings->setModbusPort(refusing.port);
        settings->setReadMode(1);
        const QString socketText
            = "Failed to open socket to 127.0.0.1:" + QString::number(refusing.port);
        QTRY_COMPARE_WITH_TIMEOUT(dialog->property("text").toString(), socketText, 5000);
        QCOMPARE(
            dialog->property("informativeText").toString(), QStringLiteral("Connection refused."));
        QMetaObject::invokeMethod(dialog, "close");
    }

    void openSettingsShowsTheModbusPage()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        emit modbus->openPortFailed();
        QObject *dialog = nullptr;
        QTRY_VERIFY((dialog = window->findChild<QObject *>(QStringLiteral("messageDialog")))
            && dialog->property("opened").toBool());

        QQuickItem *button = window->findChild<QQuickItem *>(QStringLiteral("openSettingsButton"));
        QVERIFY(button);
        QVERIFY(button->isVisible());
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier,
            button->mapToScene(QPointF(button->width() / 2, button->height() / 2)).toPoint());

        QQuickWindow *settingsWindow = nullptr;
        QTRY_VERIFY(
            (settingsWindow = window->findChild<QQuickWindow *>(QStringLiteral("settingsWindow")))
            && settingsWindow->isVisible());
        QTRY_VERIFY(!dialog->property("visible").toBool());
        QCOMPARE(settingsWindow->findChild<QObject *>(QStringLiteral("tabs"))
                     ->property("currentIndex")
                     .toInt(),
            1);
        auto *modbusPage = settingsWindow->findChild<QQuickItem *>(QStringLiteral("modbusPage"));
        QVERIFY(modbusPage);
        QVERIFY(modbusPage->isVisible());
        settingsWindow->close();
    }

    void scaling()
    {
        auto *footer = window->property("footer").value<QQuickItem *>();
        QVERIFY(footer);
        const int footerHeight = int(footer->height());
        window->resize(1540, 1340 + footerHeight);
        QTRY_COMPARE(page("standardPage")->scale(), 2.0);
        settings->setViewMode(1);
        QCOMPARE(page("aviationPage")->scale(), 2.0);
        QCOMPARE(page("standardPage")->width(), 770.0);
        window->resize(1540, 670 + footerHeight);
        QTRY_COMPARE(page("standardPage")->scale(), 1.0);
        QCOMPARE(page("aviationPage")->scale(), 1.0);
    }

private:
    QQuickItem *page(const char *name)
    {
        auto *found = window->findChild<QQuickItem *>(QLatin1String(name));
        if (!found)
            qFatal("no page %s", name);
        return found;
    }

    QQuickItem *item(const char *pageName, const char *name)
    {
        auto *found = page(pageName)->findChild<QQuickItem *>(QLatin1String(name));
        if (!found)
            qFatal("no item %s on %s", name, pageName);
        return found;
    }

    QString text(const char *pageName, const char *name)
    {
        return item(pageName, name)->property("text").toString();
    }

    QColor colour(const char *pageName, const char *name)
    {
        return item(pageName, name)->property("color").value<QColor>();
    }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<SysSettings> settings;
    std::unique_ptr<ConsoleWindow> ui;
    QModbus *modbus = nullptr;
    QQuickWindow *window = nullptr;
    int cycles = 0;
    std::atomic<bool> realLinks { false };
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
