#include "settings/linkrestarter.h"
#include "settings/mqtttester.h"
#include "settings/settingslock.h"
#include "settings/syssettings.h"

#include "support/filemode.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct FakeLink : LinkRestarter
{
    int restarts = 0;
    void restart() override { ++restarts; }
};

struct FakeMqttTester : MqttTester
{
    int tests = 0;
    void testMqttConnection() override { ++tests; }
};

QStringList logLines;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &message)
{
    logLines.append(message);
}

SerialPortEntry entry(const char *name, bool usb, const QString &alias = QString())
{
    SerialPortEntry port;
    port.portName = QLatin1String(name);
    port.systemLocation = QStringLiteral("/dev/") + port.portName;
    port.hasVendorId = usb;
    port.vendorId = usb ? 0x0403 : 0;
    port.byIdAlias = alias;
    return port;
}

QList<SerialPortEntry> noPorts()
{
    return {};
}

void writeIni(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

} // namespace

class TestSysSettings : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        folder = dir->path() + QStringLiteral("/data/Quorin/Skyquill");
        logLines.clear();
        previousHandler = qInstallMessageHandler(captureLog);
    }

    void cleanup() { qInstallMessageHandler(previousHandler); }

    void firstRunSeedsOnlyTheSerialPort()
    {
        {
            SysSettings settings(folder, noPorts);
            QCOMPARE(settings.getSerialPort(), QStringLiteral("COM1"));
        }
        QSettings ini(folder + "/settings.ini", QSettings::IniFormat);
        QCOMPARE(ini.allKeys(), QStringList { "SerialPort" });
        QVERIFY(!QFile::exists(folder + "/settingslock.ini"));
        QVERIFY(logLines.contains(QStringLiteral("configuring system")));
        QVERIFY(logLines.contains("Location: \"" + folder + "/settings.ini\""));
#ifdef Q_OS_WIN
        const QString reason = QStringLiteral("the Windows default");
#else
        const QString reason = QStringLiteral("no serial port found");
#endif
        QVERIFY(logLines.contains("First start: serial port COM1 (" + reason + ")"));
    }

    void firstRunTakesTheOnlyUsbAdapter()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows starts with COM1 whatever ports there are");
#endif
        const QString stable = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
        const auto adapter = [stable] {
            return QList<SerialPortEntry> { entry("ttyS0", false), entry("ttyUSB0", true, stable) };
        };
        {
            SysSettings settings(folder, adapter);
            QCOMPARE(settings.getSerialPort(), stable);
        }
        QVERIFY(logLines.contains("First start: serial port " + stable
            + " (the only USB serial port, ttyUSB0, by its stable name)"));
        // Only the first start chooses: a later one keeps what is stored.
        {
            SysSettings settings(folder, noPorts);
            settings.setSerialPort(QStringLiteral("ttyS0"));
        }
        SysSettings again(folder, adapter);
        QCOMPARE(again.getSerialPort(), QStringLiteral("ttyS0"));
    }

    void defaults()
    {
        SysSettings s(folder);
        QCOMPARE(s.getTemperatureUnits(), 1);
        QCOMPARE(s.getPressureUnits(), 2);
        QCOMPARE(s.getSpeedUnits(), 0);
        QCOMPARE(s.getRainUnits(), 1);
        QCOMPARE(s.getDistanceUnits(), 0);
        QCOMPARE(s.getPressureAdjustment(), 0);
        QCOMPARE(s.temperatureUnits(), QString::fromUtf8("°F"));
        QCOMPARE(s.pressureUnits(), QStringLiteral("inHg"));
        QCOMPARE(s.speedUnits(), QStringLiteral("mph"));
        QCOMPARE(s.distanceUnits(), QStringLiteral("km"));
        QCOMPARE(s.baudRate(), 19200);
        QCOMPARE(s.serialNumber(), 0);
        QCOMPARE(s.password(), QString());
        QCOMPARE(s.quorinLiveMinutes(), 10);
        QCOMPARE(s.modbusIP(), QString());
        QCOMPARE(s.modbusPort(), 502);
        QCOMPARE(s.modbusID(), 1);
        QCOMPARE(s.readMode(), 0);
        QCOMPARE(s.viewMode(), 0);
        QCOMPARE(s.runwayAngle(), -99);
        QCOMPARE(s.debugLogEnabled(), false);
        QCOMPARE(s.archiveEnabled(), true);
        QCOMPARE(s.logEnabled(), false);
        QCOMPARE(s.logPrefix(), QStringLiteral("logfile-"));
        QCOMPARE(s.updateLogSeconds(), 600);
        QCOMPARE(s.updateTime(), 1000);
        QCOMPARE(s.version(), QStringLiteral(PROJECT_VERSION));
        QCOMPARE(s.gatewayPort(), 502);
        QCOMPARE(s.settingsLocked(), false);
        QCOMPARE(s.backgroundColor(), QStringLiteral("#000000"));
        QCOMPARE(s.textColor(), QStringLiteral("#FFFFFF"));
    }

    void handEditedFileLoadsAsStored()
    {
        QDir().mkpath(folder);
        writeIni(folder + "/settings.ini",
            "[General]\nBaudRate=4800\nRunwayAngle=99\nTheme=2\nQuorinLiveMinutes=0\n"
            "TempUnits=abc\nUpdateLogSeconds=1\nGatewayPort=70000\n");
        SysSettings s(folder);
        QCOMPARE(s.baudRate(), 4800);
        QCOMPARE(s.runwayAngle(), 99);
        QCOMPARE(s.quorinLiveMinutes(), 0);
        QCOMPARE(s.getTemperatureUnits(), 0); // not a number reads as 0
        QCOMPARE(s.updateLogSeconds(), 1);
        QCOMPARE(s.gatewayPort(), 502); // a port that cannot be bound serves on the usual one
        QCOMPARE(s.getSerialPort(), QStringLiteral("COM5"));
        QCOMPARE(s.backgroundColor(), QStringLiteral("#FFFFFF"));
        s.changeTheme();
        QCOMPARE(s.theme(), 3); // still light
        QCOMPARE(s.backgroundColor(), QStringLiteral("#FFFFFF"));
    }

    void rangeCheckedSetters_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("baud 9600") << "baudRate" << 9600 << true;
        QTest::newRow("baud 38400") << "baudRate" << 38400 << true;
        QTest::newRow("baud 4800") << "baudRate" << 4800 << false;
        QTest::newRow("baud 57600") << "baudRate" << 57600 << false;
        QTest::newRow("serial 0") << "serialNumber" << 0 << true;
        QTest::newRow("serial 200000") << "serialNumber" << 200000 << true;
        QTest::newRow("serial -1") << "serialNumber" << -1 << false;
        QTest::newRow("serial 200001") << "serialNumber" << 200001 << false;
        QTest::newRow("minutes 1") << "quorinLiveMinutes" << 1 << true;
        QTest::newRow("minutes 60") << "quorinLiveMinutes" << 60 << true;
        QTest::newRow("minutes 0") << "quorinLiveMinutes" << 0 << false;
        QTest::newRow("minutes 61") << "quorinLiveMinutes" << 61 << false;
        QTest::newRow("read mode 1") << "readMode" << 1 << true;
        QTest::newRow("read mode 2") << "readMode" << 2 << false;
        QTest::newRow("view mode 1") << "viewMode" << 1 << true;
        QTest::newRow("view mode -1") << "viewMode" << -1 << false;
        QTest::newRow("runway -99") << "runwayAngle" << -99 << true;
        QTest::newRow("runway 0") << "runwayAngle" << 0 << true;
        QTest::newRow("runway 36") << "runwayAngle" << 36 << true;
        QTest::newRow("runway 37") << "runwayAngle" << 37 << false;
        QTest::newRow("runway -1") << "runwayAngle" << -1 << false;
        QTest::newRow("log seconds 2") << "updateLogSeconds" << 2 << true;
        QTest::newRow("log seconds 3600") << "updateLogSeconds" << 3600 << true;
        QTest::newRow("log seconds 1") << "updateLogSeconds" << 1 << false;
        QTest::newRow("log seconds 3601") << "updateLogSeconds" << 3601 << false;
        QTest::newRow("modbus port any") << "modbusPort" << 70000 << true;
        QTest::newRow("gateway port 1") << "gatewayPort" << 1 << true;
        QTest::newRow("gateway port 65535") << "gatewayPort" << 65535 << true;
        QTest::newRow("gateway port 0") << "gatewayPort" << 0 << false;
        QTest::newRow("gateway port 65536") << "gatewayPort" << 65536 << false;
        QTest::newRow("modbus id any") << "modbusID" << -5 << true;
        QTest::newRow("cwop minutes 5") << "cwopIntervalMinutes" << 5 << true;
        QTest::newRow("cwop minutes 4") << "cwopIntervalMinutes" << 4 << false;
        QTest::newRow("windy minutes 0") << "windyIntervalMinutes" << 0 << false;
    }

    void rangeCheckedSetters()
    {
        QFETCH(QString, property);
        QFETCH(int, value);
        QFETCH(bool, accepted);

        SysSettings s(folder);
        const QMetaProperty meta
            = s.metaObject()->property(s.metaObject()->indexOfProperty(qPrintable(property)));
        QVERIFY(meta.isValid());
        const QVariant before = meta.read(&s);
        QSignalSpy spy(&s, meta.notifySignal());

        QVERIFY(meta.write(&s, value));
        QCOMPARE(spy.count(), accepted ? 1 : 0);
        QCOMPARE(meta.read(&s).toInt(), accepted ? value : before.toInt());

        // Accepted values are re-written and re-signalled; refused ones never
        // are. A new gateway port restarts the server, so only a change counts.
        QVERIFY(meta.write(&s, value));
        const bool onChange = property == "gatewayPort" || property.endsWith("IntervalMinutes");
        QCOMPARE(spy.count(), !accepted ? 0 : onChange ? 1 : 2);
    }

    void setterLogLines()
    {
        SysSettings s(folder);
        logLines.clear();
        s.setUpdateLogSeconds(1);
        s.setSerialNumber(250000);
        s.setSerialNumber(42);
        s.setRunwayAngle(37);
        QCOMPARE(logLines,
            QStringList({ "Setting update log seconds to  1", "Setting serial number to  42",
                "Invalid angle, ignoring" }));
    }

    void linkSettersRestartThroughTheHandedOverObject()
    {
        SysSettings s(folder);
        s.setModbusIP(QStringLiteral("10.0.0.9")); // before the hand-over: stored, no restart
        QCOMPARE(s.modbusIP(), QStringLiteral("10.0.0.9"));

        FakeLink link;
        s.setModbusObject(&link);
        logLines.clear();
        s.setBaudRate(9600);
        s.setBaudRate(4800); // refused: no restart
        s.setModbusIP(QStringLiteral("host"));
        s.setModbusPort(1502);
        s.setModbusID(3);
        s.setReadMode(1);
        s.setReadMode(2); // refused
        s.setViewMode(1); // not a link setting
        s.setSerialNumber(5);
        QCOMPARE(link.restarts, 5);
        QCOMPARE(logLines,
            QStringList({ "Restarting modbus object because baud rate changed",
                "Restarting modbus object because ip changed",
                "Restarting modbus object because port changed",
                "Restarting modbus object because modbus id changed",
                "Restarting modbus object because read mode changed mode is now  1",
                "Setting serial number to  5" }));
    }

    void serialPortWritesOnlyChangesButAlwaysRestarts()
    {
        SysSettings s(folder);
        FakeLink link;
        s.setModbusObject(&link);
        logLines.clear();

        s.setSerialPort(QStringLiteral("COM1")); // already stored
        QCOMPARE(link.restarts, 1);
        QCOMPARE(logLines, QStringList { "Restarting modbus object because serial port changed" });

        logLines.clear();
        s.setSerialPort(QStringLiteral("ttyUSB0"));
        QCOMPARE(link.restarts, 2);
        QCOMPARE(logLines,
            QStringList({ "Port changed to \"ttyUSB0\"",
                "Restarting modbus object because serial port changed" }));
        // Synced at once: another reader sees it without waiting for the event loop.
        QSettings ini(folder + "/settings.ini", QSettings::IniFormat);
        QCOMPARE(ini.value("SerialPort").toString(), QStringLiteral("ttyUSB0"));
    }

    void textSettersAndTheirUnchangedRules()
    {
        SysSettings s(folder);
        QSignalSpy password(&s, &SysSettings::passwordChanged);
        QSignalSpy wuPassword(&s, &SysSettings::wuPasswordChanged);
        QSignalSpy debug(&s, &SysSettings::debugLogEnableChanged);
        QSignalSpy archive(&s, &SysSettings::archiveEnabledChanged);

        s.setPassword(QString()); // same as the current empty text
        QCOMPARE(password.count(), 0);
        s.setPassword(QStringLiteral("secret"));
        s.setPassword(QStringLiteral("secret"));
        QCOMPARE(password.count(), 1);

        s.setWuPassword(QString());
        s.setWuPassword(QString());
        QCOMPARE(wuPassword.count(), 2);

        s.setDebugLogEnabled(false);
        QCOMPARE(debug.count(), 0);
        s.setDebugLogEnabled(true);
        s.setDebugLogEnabled(true);
        QCOMPARE(debug.count(), 1);

        s.setArchiveEnabled(true);
        QCOMPARE(archive.count(), 0);
        s.setArchiveEnabled(false);
        s.setArchiveEnabled(false);
        QCOMPARE(archive.count(), 1);
    }

    void unitSettersAlwaysSignal()
    {
        SysSettings s(folder);
        QSignalSpy units(&s, &SysSettings::unitsChanged);
        s.setPressureUnits(7);
        QCOMPARE(s.getPressureUnits(), 7);
        QCOMPARE(s.pressureUnits(), QStringLiteral("mbar"));
        QCOMPARE(s.pressRangeLow(), 700);
        s.setSpeedUnits(-1);
        QCOMPARE(s.speedUnits(), QStringLiteral("mph"));
        QCOMPARE(s.speedRangeHigh(), 100);
        s.setSpeedUnits(-1);
        s.setTemperatureUnits(5);
        QCOMPARE(s.temperatureUnits(), QString::fromUtf8("°F"));
        QCOMPARE(s.tempRangeHigh(), 130);
        s.setDistanceUnits(2);
        QCOMPARE(s.distanceUnits(), QStringLiteral("mi"));
        s.setRainUnits(0);
        QCOMPARE(units.count(), 6);
        s.setPressureAdjustment(2);
        QCOMPARE(units.count(), 6);
        s.setPressureAdjustment(1);
        QCOMPARE(units.count(), 7);
        QCOMPARE(s.getPressureAdjustment(), 1);
    }

    void unitLabelsAndScales_data()
    {
        QTest::addColumn<int>("temperature");
        QTest::addColumn<int>("pressure");
        QTest::addColumn<int>("speed");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QList<int>>("scales");
        QTest::newRow("metric") << 0 << 0 << 1 << QStringList { "°C", "mbar", "m/s" }
                                << QList<int> { -20, 60, 700, 1200, 50, 50 };
        QTest::newRow("mmHg km/h") << 1 << 1 << 2 << QStringList { "°F", "mmHg", "km/h" }
                                   << QList<int> { -20, 130, 500, 900, 50, 80 };
        QTest::newRow("inHg knots") << 1 << 2 << 3 << QStringList { "°F", "inHg", "knots" }
                                    << QList<int> { -20, 130, 20, 35, 1, 45 };
        QTest::newRow("kPa mph") << 0 << 3 << 0 << QStringList { "°C", "kPa", "mph" }
                                 << QList<int> { -20, 60, 70, 120, 5, 100 };
    }

    void unitLabelsAndScales()
    {
        QFETCH(int, temperature);
        QFETCH(int, pressure);
        QFETCH(int, speed);
        QFETCH(QStringList, labels);
        QFETCH(QList<int>, scales);
        SysSettings s(folder);
        s.setTemperatureUnits(temperature);
        s.setPressureUnits(pressure);
        s.setSpeedUnits(speed);
        QCOMPARE(QStringList({ s.temperatureUnits(), s.pressureUnits(), s.speedUnits() }), labels);
        QCOMPARE(QList<int>({ s.tempRangeLow(), s.tempRangeHigh(), s.pressRangeLow(),
                     s.pressRangeHigh(), s.pressTickSize(), s.speedRangeHigh() }),
            scales);
    }

    void themes()
    {
        SysSettings s(folder);
        QSignalSpy spy(&s, &SysSettings::themeChanged);
        s.changeTheme();
        QCOMPARE(QStringList({ s.backgroundColor(), s.textColor(), s.needleColor2(),
                     s.needleColor3(), s.redColor(), s.blueColor(), s.shadowColor() }),
            QStringList(
                { "#FFFFFF", "#000000", "#E57200", "#007F00", "#B20000", "#0000B2", "#A00000B2" }));
        s.changeTheme();
        QCOMPARE(QStringList({ s.backgroundColor(), s.textColor(), s.needleColor2(),
                     s.needleColor3(), s.redColor(), s.blueColor(), s.shadowColor() }),
            QStringList(
                { "#000000", "#FFFFFF", "#FFEE99", "#99FF99", "#FF9999", "#9999FF", "#A99999FF" }));
        QCOMPARE(spy.count(), 2);
    }

    void twoThemeChangesLeaveZeroInTheFile()
    {
        {
            SysSettings s(folder);
            s.changeTheme();
            s.changeTheme();
        }
        QFile file(folder + "/settings.ini");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Theme=0"));
    }

    void persistsAcrossInstances()
    {
        {
            SysSettings s(folder);
            s.changeTheme();
            s.setTemperatureUnits(0);
            s.setPassword(QStringLiteral("pw"));
            s.setRunwayAngle(9);
            s.setModbusIP(QStringLiteral("192.0.2.7"));
            s.setDebugLogEnabled(true);
            s.setArchiveEnabled(false);
            s.setLogPrefix(QStringLiteral("station-"));
            s.setGatewayPort(1502);
            s.setStationLatitude(-33.865);
            QVERIFY(!s.set(Setting::StationLongitude, 180.5));
        }
        SysSettings again(folder);
        QCOMPARE(again.theme(), 1);
        QCOMPARE(again.getTemperatureUnits(), 0);
        QCOMPARE(again.password(), QStringLiteral("pw"));
        QCOMPARE(again.runwayAngle(), 9);
        QCOMPARE(again.modbusIP(), QStringLiteral("192.0.2.7"));
        QCOMPARE(again.debugLogEnabled(), true);
        QCOMPARE(again.archiveEnabled(), false);
        QCOMPARE(again.logPrefix(), QStringLiteral("station-"));
        QCOMPARE(again.gatewayPort(), 1502);
        QCOMPARE(again.stationLatitude(), -33.865);
        QCOMPARE(again.stationLongitude(), 0.0);
        // A console with a folder of its own keeps its CSV files there too.
        QCOMPARE(again.logPath(), folder);
    }

    // An array key: [Alarms] 1\Name=..., size=N in the file, maps in QML.
    void alarmsArrayRoundTrip()
    {
        const QVariantList heat { QVariantMap {
            { "Name", "Heat" }, { "Quantity", "temperature_c" }, { "Threshold", 30.5 } } };
        {
            SysSettings s(folder);
            QSignalSpy changed(&s, &SysSettings::alarmsChanged);
            s.setAlarms(heat);
            s.setAlarms(heat);
            QCOMPARE(changed.count(), 1);
        }
        QSettings file(folder + "/settings.ini", QSettings::IniFormat);
        QCOMPARE(file.value("Alarms/size").toInt(), 1);
        QCOMPARE(file.value("Alarms/1/Name").toString(), QStringLiteral("Heat"));
        SysSettings again(folder);
        const QVariantMap read = again.alarms().value(0).toMap();
        QCOMPARE(read.value("Threshold").toDouble(), 30.5);
        QCOMPARE(read.value("Quantity").toString(), QStringLiteral("temperature_c"));
        again.setAlarms({});
        QVERIFY(again.alarms().isEmpty());
    }

    void logPathDefaultsToTheLocalDataFolder()
    {
        // The usual settings folder, under a home of the test's own.
        QTemporaryDir home;
        const QByteArray realHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Quorin"));
        QCoreApplication::setApplicationName(QStringLiteral("Skyquill"));
        const QString logPath = SysSettings().logPath();
        // The default settings folder's own place: on Windows under
        // %LOCALAPPDATA%, where GenericDataLocation points, never the roaming profile.
        const QString expected
            = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/Quorin/Skyquill");
        QCoreApplication::setOrganizationName(QString());
        QCoreApplication::setApplicationName(QString());
        QStandardPaths::setTestModeEnabled(false);
        qputenv("HOME", realHome);
#ifdef Q_OS_WIN
        // HOME does not move the profile there; test mode adds a folder instead.
        QVERIFY(expected.contains(QStringLiteral("/qttest/")));
#else
        QVERIFY(expected.startsWith(home.path()));
#endif
        QCOMPARE(logPath, expected);
    }

    void secretsAreTheUsersAlone()
    {
#ifndef Q_OS_UNIX
        QSKIP("file modes are Unix's");
#else
        const QString ini = folder + "/settings.ini";
        const auto start = [&](int folderMode) {
            SysSettings(folder).setPassword(QStringLiteral("portal key"));
            return fileMode(folder) == folderMode && fileMode(ini) == 0600;
        };
        const auto widen = [&](int folderMode) {
            return ::chmod(QFile::encodeName(folder), mode_t(folderMode)) == 0
                && ::chmod(QFile::encodeName(ini), 0644) == 0;
        };
        QVERIFY(start(0700));
        // As an earlier version left them: tightened and said so, once; a
        // folder open to its own group only (the service's) stays so.
        QVERIFY(widen(0755) && start(0700) && start(0700));
        QVERIFY(widen(0750) && start(0750));
        QCOMPARE(logLines.filter("was open to other users").size(), 3);
#endif
    }

    void logPrefixIsANameNeverAPath()
    {
        QVERIFY(QDir().mkpath(folder));
        writeIni(folder + "/settings.ini", "[General]\nLogPrefix=../../etc/cron.d/x\n");
        SysSettings s(folder);
        QCOMPARE(s.logPrefix(), QStringLiteral("logfile-"));
        for (const char *refused : { "../wx-", "..", "a/b-", "a\\b-", "/tmp/x-" })
            s.setLogPrefix(QLatin1String(refused));
        QCOMPARE(s.logPrefix(), QStringLiteral("logfile-"));
    }

    void logPathAndPathExists()
    {
        SysSettings s(folder);
        QSignalSpy changed(&s, &SysSettings::logPathChanged);
        QSignalSpy error(&s, &SysSettings::error);

        const QString fresh = dir->path() + "/csv/deeper";
        QVERIFY(!s.pathExists(fresh));
        s.setLogPath(fresh); // created with its parents
        QCOMPARE(changed.count(), 1);
        QCOMPARE(s.logPath(), fresh);
        QVERIFY(s.pathExists(fresh));

        QFile blocker(dir->path() + "/plainfile");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        s.setLogPath(blocker.fileName() + "/sub"); // a file stands in the way
        QCOMPARE(error.count(), 1);
        QCOMPARE(
            error.at(0).at(0).toString(), QStringLiteral("Unable to write to or create log path"));
        QCOMPARE(s.logPath(), fresh);
        QCOMPARE(changed.count(), 1);
        QVERIFY(!s.pathExists(blocker.fileName()));
    }

    void settingsLock()
    {
        SysSettings s(folder);
        QSignalSpy spy(&s, &SysSettings::settingsLockChanged);
        QVERIFY(!s.testSettingsLock(QStringLiteral("KelmorTX")));

        s.setSettingsLockPassword(QStringLiteral("KelmorTX"));
        QCOMPARE(spy.count(), 1);
        QVERIFY(s.settingsLocked());
        QVERIFY(s.testSettingsLock(QStringLiteral("KelmorTX")));
        QVERIFY(!s.testSettingsLock(QStringLiteral("kelmortx")));
        QVERIFY(!s.testSettingsLock(QStringLiteral("KelmorTX ")));
        QVERIFY(!s.testSettingsLock(QString()));

        s.setSettingsLockPassword(QString()); // ignored, lock kept
        QCOMPARE(spy.count(), 1);
        QVERIFY(s.settingsLocked());

        {
            SysSettings reloaded(folder);
            QVERIFY(reloaded.settingsLocked());
            QVERIFY(reloaded.testSettingsLock(QStringLiteral("KelmorTX")));
        }

        s.clearSettingsLock();
        QCOMPARE(spy.count(), 2);
        QVERIFY(!s.settingsLocked());
        s.clearSettingsLock(); // no lock: still written and signalled
        QCOMPARE(spy.count(), 3);
        QSettings lockFile(folder + "/settingslock.ini", QSettings::IniFormat);
        QVERIFY(lockFile.contains("settingslock"));
        QCOMPARE(lockFile.value("settingslock").toString(), QString());
    }

    void lockDigestIsTheRawDigestText()
    {
        // Formed independently: salted SHA-256, raw bytes up to the first zero, as UTF-8.
        const QByteArray raw
            = QCryptographicHash::hash("KelmorTXkelvorinat", QCryptographicHash::Sha256);
        const QString expected
            = QString::fromUtf8(raw.left(raw.indexOf('\0') < 0 ? raw.size() : raw.indexOf('\0')));
        QCOMPARE(settingsLockDigest(QStringLiteral("KelmorTX")), expected);
        QVERIFY(expected.size() > 0);
        QVERIFY(expected != QString::fromLatin1(raw.toHex()));
    }

    // The stored text ends at the digest's first zero byte, so such a
    // password would leave no lock at all: it is refused instead.
    void passwordWhoseDigestStartsWithZeroIsRefused()
    {
        QString found; // about one password in 256
        for (int i = 0; i < 100000 && found.isEmpty(); ++i) {
            const QString candidate = QStringLiteral("pw%1").arg(i);
            const QByteArray raw = QCryptographicHash::hash(
                (candidate + QStringLiteral("kelvorinat")).toUtf8(), QCryptographicHash::Sha256);
            if (raw.at(0) == '\0')
                found = candidate;
        }
        QVERIFY(!found.isEmpty());

        SysSettings s(folder);
        s.setSettingsLockPassword(QStringLiteral("KelmorTX"));
        QSignalSpy changed(&s, &SysSettings::settingsLockChanged);
        QSignalSpy refused(&s, &SysSettings::settingsLockRefused);
        s.setSettingsLockPassword(found);
        QCOMPARE(refused.count(), 1);
        QCOMPARE(refused.at(0).at(0).toString(), QStringLiteral("Choose another password"));
        QCOMPARE(changed.count(), 0);
        QVERIFY(s.settingsLocked());
        QVERIFY(s.testSettingsLock(QStringLiteral("KelmorTX")));
        QVERIFY(!s.testSettingsLock(found));
        SysSettings reloaded(folder);
        QVERIFY(reloaded.testSettingsLock(QStringLiteral("KelmorTX")));
    }

    void serverAddressesAreIpv4WithoutLoopback()
    {
        SysSettings s(folder);
        const QString text = s.modbusServerIP();
        const QStringList parts = text.isEmpty() ? QStringList() : text.split(QStringLiteral(", "));
        for (const QString &part : parts) {
            QHostAddress address(part);
            QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
            QVERIFY(!address.isLoopback());
        }
    }

    void mqttKeys()
    {
        {
            SysSettings s(folder);
            QCOMPARE(s.mqttEnabled(), false);
            QCOMPARE(s.mqttHost(), QString());
            QCOMPARE(s.mqttPort(), 1883);
            QCOMPARE(s.mqttTls(), false);
            QCOMPARE(s.mqttBaseTopic(), QStringLiteral("skyquill"));
            QCOMPARE(s.mqttIntervalSeconds(), 10);
            QCOMPARE(s.mqttDiscovery(), true);
            QCOMPARE(s.mqttDiscoveryPrefix(), QStringLiteral("homeassistant"));

            // Every change reconnects, so only a real change signals.
            QSignalSpy host(&s, &SysSettings::mqttHostChanged);
            QSignalSpy port(&s, &SysSettings::mqttPortChanged);
            QSignalSpy interval(&s, &SysSettings::mqttIntervalSecondsChanged);
            QSignalSpy base(&s, &SysSettings::mqttBaseTopicChanged);
            QSignalSpy tls(&s, &SysSettings::mqttTlsChanged);
            s.setMqttHost(QStringLiteral("broker.lan"));
            s.setMqttHost(QStringLiteral("broker.lan"));
            QCOMPARE(host.count(), 1);
            for (int refused : { 0, 65536, 1883 })
                s.setMqttPort(refused);
            s.setMqttPort(65535);
            QCOMPARE(port.count(), 1);
            for (int refused : { 0, 3601, 10 })
                s.setMqttIntervalSeconds(refused);
            s.setMqttIntervalSeconds(3600);
            QCOMPARE(interval.count(), 1);
            for (const char *refused : { "", "wx/+", "wx/#" })
                s.setMqttBaseTopic(QString::fromLatin1(refused));
            s.setMqttDiscoveryPrefix(QString());
            QCOMPARE(base.count(), 0);
            s.setMqttBaseTopic(QStringLiteral("home/wx"));
            s.setMqttTls(false);
            s.setMqttTls(true);
            QCOMPARE(tls.count(), 1);
            s.setMqttEnabled(true);
            s.setMqttUsername(QStringLiteral("station"));
            s.setMqttPassword(QStringLiteral("pa ss"));
            s.setMqttCaFile(QStringLiteral("/etc/ca.pem"));
            s.setMqttDiscovery(false);
            s.setMqttDiscoveryPrefix(QStringLiteral("ha"));

            QSignalSpy result(&s, &SysSettings::testMqttConnectionResult);
            s.testMqttConnection(); // nothing to test with: an answer all the same
            QCOMPARE(result.count(), 1);
            FakeMqttTester tester;
            s.setMqttTester(&tester);
            s.testMqttConnection();
            QCOMPARE(tester.tests, 1);
            s.setMqttTester(nullptr);
        }
        SysSettings again(folder);
        QCOMPARE(again.mqttEnabled(), true);
        QCOMPARE(again.mqttHost(), QStringLiteral("broker.lan"));
        QCOMPARE(again.mqttPort(), 65535);
        QCOMPARE(again.mqttUsername(), QStringLiteral("station"));
        QCOMPARE(again.mqttPassword(), QStringLiteral("pa ss"));
        QCOMPARE(again.mqttTls(), true);
        QCOMPARE(again.mqttCaFile(), QStringLiteral("/etc/ca.pem"));
        QCOMPARE(again.mqttBaseTopic(), QStringLiteral("home/wx"));
        QCOMPARE(again.mqttIntervalSeconds(), 3600);
        QCOMPARE(again.mqttDiscovery(), false);
        QCOMPARE(again.mqttDiscoveryPrefix(), QStringLiteral("ha"));
    }

    void portsListIsSortedAndSignalled()
    {
        QList<SerialPortEntry> found { entry("COM3", false), entry("COM10", true),
            entry("COM1", false) };
        SysSettings s(folder, [&found] { return found; });
        QCOMPARE(s.portsList(), (QStringList { "COM1", "COM10", "COM3" }));
        QVERIFY(logLines.contains(QStringLiteral(
            "serial port  \"COM10\"  with description:  \"\"  and vendorIdentifier:  1027")));
        QVERIFY(logLines.contains(QStringLiteral(
            "serial port  \"COM3\"  with description:  \"\"  and vendorIdentifier:  0")));

        // An adapter is offered by its by-id name too.
        found = { entry("ttyUSB0", true, "/dev/serial/by-id/usb-X-if00") };
        QSignalSpy spy(&s, &SysSettings::portsListChanged);
        s.getAvailablePorts();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(s.portsList(), (QStringList { "/dev/serial/by-id/usb-X-if00", "ttyUSB0" }));

        found.clear();
        s.getAvailablePorts();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(s.portsList(), QStringList());
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString folder;
    QtMessageHandler previousHandler = nullptr;
};

QTEST_GUILESS_MAIN(TestSysSettings)
#include "tst_syssettings.moc"
