#include "consolewindow.h"
#include "settings/syssettings.h"
#include "support/freeport.h"
#include "support/localportal.h"
#include "support/qmlmessages.h"
#include "upload/portalprocess.h"
#include "upload/portalurl.h"

#include <QDesktopServices>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The four settings pages of the real main.qml, driven as a user would: by
// clicking and typing into the items found by their object names, with the
// real settings object in a temporary folder and a QModbus fed by the sample
// station. Uploads and credential tests go to the portal stand-in.
namespace {

const QString stationKey = QStringLiteral("station-key");
const QString byIdName = QStringLiteral("/dev/serial/by-id/usb-Test_Adapter_A1-if00-port0");
// The sample station reports serial number 100000 (registers 103-104).
const int sampleSerial = 100000;

using namespace qmlmessages;

// Stands in for the desktop's mail program and web browser.
class LinkCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

} // namespace

class TestSettingsPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        previousHandler = qInstallMessageHandler(qmlmessages::record);
        QVERIFY(portal.start(QString::number(sampleSerial), stationKey));
        setPortalUrlForTesting(portal.url());
        setPortalTimeoutForTesting(5000);
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &links, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &links, "open");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        setPortalUrlForTesting(QUrl());
        setPortalTimeoutForTesting(0);
        qInstallMessageHandler(previousHandler);
    }

    void init()
    {
        warnings.clear();
        debugLines.clear();
        links.opened.clear();
        folder = std::make_unique<QTemporaryDir>();
        {
            SysSettings first(folder->path());
            first.setTemperatureUnits(0);
            first.setPressureUnits(0);
            first.setSpeedUnits(2);
            first.setSerialPort(QStringLiteral("COM7"));
        }
        load();
    }

    void cleanup()
    {
        unload();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
    }

    void unitsPageWritesEveryClick()
    {
        // Set from the stored values when the page was made.
        QVERIFY(checked("radioButtonC"));
        QVERIFY(checked("radioButtonMB"));
        QVERIFY(checked("radioButtonKPH"));
        QVERIFY(checked("meanSeaRadioButton"));
        QVERIFY(checked("standardRadioButton"));

        click("radioButtonF");
        click("radioButtonINHG");
        click("radioButtonKNOTS");
        click("absoluteRadioButton");
        QCOMPARE(settings->getTemperatureUnits(), 1);
        QCOMPARE(settings->getPressureUnits(), 2);
        QCOMPARE(settings->getSpeedUnits(), 3);
        QCOMPARE(settings->getPressureAdjustment(), 1);
        QVERIFY(!checked("radioButtonC"));

        // A change from elsewhere moves the buttons too.
        settings->setSpeedUnits(1);
        QVERIFY(checked("radioButtonMPS"));
        QVERIFY(!checked("radioButtonKNOTS"));

        QCOMPARE(settings->backgroundColor(), QStringLiteral("#000000"));
        click("buttonTheme");
        QCOMPARE(settings->backgroundColor(), QStringLiteral("#FFFFFF"));
        QCOMPARE(item("unitsPage")->property("color").value<QColor>(), QColor("#FFFFFF"));
    }

    void runwayField()
    {
        QQuickItem *field = item("runwayAngleTextInput");
        QQuickItem *box = item("aviationGroupBox");
        // Standard view: the box is faded and the field cannot be edited.
        QVERIFY(!field->isEnabled());
        QCOMPARE(box->property("background").value<QQuickItem *>()->opacity(), 0.5);
        QCOMPARE(field->property("text").toString(), QStringLiteral("-99"));

        click("aviationRadioButton");
        QCOMPARE(settings->viewMode(), 1);
        QVERIFY(field->isEnabled());
        QCOMPARE(box->property("background").value<QQuickItem *>()->opacity(), 1.0);

        typeInto("runwayAngleTextInput", QStringLiteral("9"));
        QCOMPARE(settings->runwayAngle(), 9);
        QQuickItem *runway = mainItem("aviationPage")->findChild<QQuickItem *>("runwayImage");
        QVERIFY(runway);
        QVERIFY(runway->isVisible());
        QCOMPARE(runway->rotation(), 90.0);

        for (const char *bad : { "37", "abc" }) {
            typeInto("runwayAngleTextInput", QLatin1String(bad));
            QCOMPARE(settings->runwayAngle(), 9);
            QCOMPARE(field->property("text").toString(), QStringLiteral("9"));
        }
        // Leading blanks and a tail after the number are allowed.
        typeInto("runwayAngleTextInput", QStringLiteral(" 27L"));
        QCOMPARE(settings->runwayAngle(), 27);
        QCOMPARE(field->property("text").toString(), QStringLiteral("27"));

        typeInto("runwayAngleTextInput", QStringLiteral("-99"));
        QCOMPARE(settings->runwayAngle(), -99);
        QVERIFY(!runway->isVisible());
    }

    void linkModeSwitching()
    {
        showTab(1);
        QVERIFY(checked("rtuRadioButton"));
        QVERIFY(item("rtuGroupBox")->isEnabled());
        QVERIFY(!item("tcpGroupBox")->isEnabled());
        QVERIFY(!item("modbusPortInput")->isEnabled());

        click("tcpRadioButton");
        QCOMPARE(settings->readMode(), 1);
        QVERIFY(!item("rtuGroupBox")->isEnabled());
        QVERIFY(!item("comboBoxPorts")->isEnabled());
        QVERIFY(item("tcpGroupBox")->isEnabled());
        QVERIFY(debugLines.contains(
            QStringLiteral("Restarting modbus object because read mode changed mode is now  1")));

        click("rtuRadioButton");
        QCOMPARE(settings->readMode(), 0);
        QVERIFY(item("rtuGroupBox")->isEnabled());
        QVERIFY(!item("tcpGroupBox")->isEnabled());

        click("radioButton9600");
        QCOMPARE(settings->baudRate(), 9600);
        QVERIFY(!checked("radioButton19200"));
    }

    void portAndIdValidators()
    {
        showTab(1);
        click("tcpRadioButton");
        QQuickItem *port = item("modbusPortInput");
        QQuickItem *id = item("modbusIDInput");
        QCOMPARE(port->property("text").toString(), QStringLiteral("502"));

        // Out of range: nothing stored, and the field shows the stored port.
        typeInto("modbusPortInput", QStringLiteral("70000"));
        QCOMPARE(settings->modbusPort(), 502);
        QCOMPARE(port->property("text").toString(), QStringLiteral("502"));
        // The same on leaving the field instead of pressing Enter.
        typeInto("modbusPortInput", QStringLiteral("70000"), false);
        click("modbusIPInput");
        QCOMPARE(settings->modbusPort(), 502);
        QCOMPARE(port->property("text").toString(), QStringLiteral("502"));

        typeInto("modbusPortInput", QStringLiteral("1502"));
        QCOMPARE(settings->modbusPort(), 1502);
        // Letters cannot be typed at all.
        typeInto("modbusPortInput", QStringLiteral("15x03"));
        QCOMPARE(settings->modbusPort(), 1503);

        typeInto("modbusIDInput", QStringLiteral("300"));
        QCOMPARE(settings->modbusID(), 1);
        QCOMPARE(id->property("text").toString(), QStringLiteral("1"));
        typeInto("modbusIDInput", QStringLiteral("247"));
        QCOMPARE(settings->modbusID(), 247);

        typeInto("modbusIPInput", QStringLiteral("10.0.0.9"));
        QCOMPARE(settings->modbusIP(), QStringLiteral("10.0.0.9"));
    }

    void gatewayPortAndWhetherItListens()
    {
        QTcpServer holder; // another program on the port the user picks
        QVERIFY(holder.listen(QHostAddress::Any, 0));
        const quint16 taken = holder.serverPort();
        const quint16 free = freeTcpPort();
        unload();
        SysSettings(folder->path()).setGatewayPort(free);
        load(Console::GatewayPortFromSettings);

        showTab(1);
        QCOMPARE(text("gatewayPortInput"), QString::number(free));
        QCOMPARE(text("gatewayStateText"), QString("Listening on port %1").arg(free));
        QVERIFY(!item("gatewayHintText")->isVisible());

        typeInto("gatewayPortInput", QString::number(taken));
        QCOMPARE(settings->gatewayPort(), int(taken));
        QCOMPARE(text("gatewayStateText"),
            QString("Not listening on port %1: the bound address is already in use").arg(taken));
        QCOMPARE(item("gatewayStateText")->property("color").value<QColor>(),
            QColor(settings->redColor()));
        QVERIFY(item("gatewayHintText")->isVisible());

        typeInto("gatewayPortInput", QStringLiteral("0"));
        QCOMPARE(settings->gatewayPort(), int(taken));
        QCOMPARE(text("gatewayPortInput"), QString::number(taken));

        // The server follows the field back to a free port.
        typeInto("gatewayPortInput", QString::number(free));
        QCOMPARE(text("gatewayStateText"), QString("Listening on port %1").arg(free));
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, free);
        QVERIFY(client.waitForConnected(5000));
    }

    void portListAndClients()
    {
        QQuickItem *ports = item("comboBoxPorts");
        QObject *popup = ports->property("popup").value<QObject *>();
        showTab(1);
        // The adapter by both its names; COM7 is configured but not present,
        // and stays in view, marked.
        const QStringList found { byIdName, "ttyS0", "ttyUSB0" };
        QCOMPARE(settings->portsList(), found);
        QCOMPARE(ports->property("count").toInt(), 4);
        QCOMPARE(ports->property("currentIndex").toInt(), 3);
        QCOMPARE(ports->property("currentText").toString(), QStringLiteral("COM7 (not present)"));

        // Opening the list scans the ports again; taking the marked entry
        // stores the bare name.
        QSignalSpy scans(settings.get(), &SysSettings::portsListChanged);
        click("comboBoxPorts");
        QCOMPARE(scans.count(), 1);
        QTRY_VERIFY(popup->property("opened").toBool());
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_VERIFY(!popup->property("visible").toBool());
        QCOMPARE(settings->getSerialPort(), QStringLiteral("COM7"));

        // The adapter by its stable name: the mark goes.
        click("comboBoxPorts");
        QTRY_VERIFY(popup->property("opened").toBool());
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(window, Qt::Key_Up);
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_VERIFY(!popup->property("visible").toBool());
        QCOMPARE(settings->getSerialPort(), byIdName);
        QCOMPARE(ports->property("count").toInt(), 3);
        QCOMPARE(ports->property("currentText").toString(), byIdName);

        // One the scan does not list but that is there, as a pseudo-terminal:
        // in view, unmarked.
        const QString unlisted = folder->filePath(QStringLiteral("pts3"));
        QVERIFY(QFile(unlisted).open(QIODevice::WriteOnly));
        settings->setSerialPort(unlisted);
        click("comboBoxPorts");
        QTRY_VERIFY(popup->property("opened").toBool());
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!popup->property("visible").toBool());
        QCOMPARE(ports->property("currentText").toString(), unlisted);

        QCOMPARE(item("hostIPLabel")->property("text").toString(), settings->modbusServerIP());
        QCOMPARE(clientLines(), QStringList());
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, console->gateway().serverPort());
        QVERIFY(client.waitForConnected(5000));
        QTRY_COMPARE(clientLines().size(), 1);
        QVERIFY2(clientLines().first().startsWith(QLatin1String("127.0.0.1 ")),
            qPrintable(clientLines().first()));
        client.disconnectFromHost();
        QTRY_COMPARE(clientLines(), QStringList());
    }

    void serialNumber()
    {
        showTab(2);
        typeInto("serialNumberTextInput", QStringLiteral("123456"));
        QCOMPARE(settings->serialNumber(), 123456);
        typeInto("serialNumberTextInput", QStringLiteral("300000"));
        QCOMPARE(settings->serialNumber(), 123456);
        QCOMPARE(
            item("serialNumberTextInput")->property("text").toString(), QStringLiteral("123456"));

        // Before the station has answered there is nothing to read.
        click("initializeSerialButton");
        QCOMPARE(settings->serialNumber(), 123456);

        runCycle();
        click("initializeSerialButton");
        QCOMPARE(settings->serialNumber(), sampleSerial);
        QCOMPARE(
            item("serialNumberTextInput")->property("text").toString(), QStringLiteral("100000"));
        QCOMPARE(item("serialNumberLabel")->property("text").toString(), QStringLiteral("100000"));
    }

    void intervalBoxes()
    {
        showTab(2);
        QCOMPARE(spinValues(), qMakePair(10, 0)); // 600 s, the default

        // Both at zero: the shortest interval the store takes, 2 s.
        typeInto("minutesSpinBox", QStringLiteral("0"));
        typeInto("secondsSpinBox", QStringLiteral("0"));
        QCOMPARE(settings->updateLogSeconds(), 2);
        QCOMPARE(spinValues(), qMakePair(0, 2));
        // Stepping down to 1 s is refused the same way.
        QTest::keyClick(window, Qt::Key_Down);
        QCOMPARE(settings->updateLogSeconds(), 2);
        QCOMPARE(spinValues(), qMakePair(0, 2));

        typeInto("minutesSpinBox", QStringLiteral("10"));
        typeInto("secondsSpinBox", QStringLiteral("30"));
        QCOMPARE(settings->updateLogSeconds(), 630);
        QCOMPARE(spinValues(), qMakePair(10, 30));

        // Past the hour the store takes: 60 minutes and 30 s becomes 60:00.
        typeInto("minutesSpinBox", QStringLiteral("60"));
        QCOMPARE(settings->updateLogSeconds(), 3600);
        QCOMPARE(spinValues(), qMakePair(60, 0));
        QVERIFY(debugLines.contains(QStringLiteral("Setting update log seconds to  3600")));
        QVERIFY(!debugLines.contains(QStringLiteral("Setting update log seconds to  3630")));

        settings->setUpdateLogSeconds(600);
        QCOMPARE(spinValues(), qMakePair(10, 0));
        settings->setUpdateLogSeconds(90);
        QCOMPARE(spinValues(), qMakePair(1, 30));
    }

    void loggingFields()
    {
        showTab(2);
        QTemporaryDir logs;
        QVERIFY(logs.isValid());
        const QString before = settings->logPath();

        typeInto("logPathTextInput", logs.path());
        QCOMPARE(settings->logPath(), logs.path());
        const QString missing = logs.path() + QStringLiteral("/not/there");
        typeInto("logPathTextInput", missing);
        QCOMPARE(settings->logPath(), logs.path());
        QCOMPARE(item("logPathTextInput")->property("text").toString(), logs.path());
        // The check refuses the folder instead of letting the store create it.
        QVERIFY(!QFileInfo::exists(missing));
        QVERIFY(before != logs.path());

        typeInto("logPrefixTextInput", QStringLiteral("station-"));
        QCOMPARE(settings->logPrefix(), QStringLiteral("station-"));

        QVERIFY(!settings->logEnabled());
        click("logEnabledCheckBox");
        QVERIFY(settings->logEnabled());
        click("debugLoggingCheckBox");
        QVERIFY(settings->debugLogEnabled());
        click("debugLoggingCheckBox");
        QVERIFY(!settings->debugLogEnabled());
        QVERIFY(settings->archiveEnabled());
        click("archiveCheckBox");
        QVERIFY(!settings->archiveEnabled());
    }

    void lockFlow()
    {
        showTab(2);
        QQuickItem *password = item("passwordInput");
        QVERIFY(!item("rowBox")->isEnabled());

        // Ticked only once a lock is stored; a proposal left unconfirmed goes.
        click("lockEnabledCheckBox");
        QVERIFY(item("rowBox")->isEnabled() && !checked("lockEnabledCheckBox"));
        reopen();
        QVERIFY(!item("rowBox")->isEnabled() && !checked("lockEnabledCheckBox"));
        click("lockEnabledCheckBox");
        QCOMPARE(password->property("text").toString(), QStringLiteral("KelmorTX"));
        QVERIFY(!settings->settingsLocked());

        click("passwordInput");
        QTest::keyClick(window, Qt::Key_Return);
        QVERIFY(settings->settingsLocked());
        QVERIFY(settings->testSettingsLock(QStringLiteral("KelmorTX")));
        QCOMPARE(password->property("text").toString(), QString());
        QCOMPARE(
            item("passwordResult")->property("text").toString(), QStringLiteral("Password saved"));
        // Enter in the empty field stores nothing.
        QTest::keyClick(window, Qt::Key_Return);
        QVERIFY(settings->testSettingsLock(QStringLiteral("KelmorTX")));

        // The overlay covers the pages from the next opening on.
        QQuickItem *overlay = item("passwordOverlay");
        QVERIFY(!overlay->isVisible());
        reopen();
        QVERIFY(overlay->isVisible());
        QCOMPARE(item("passwordResult")->property("text").toString(), QString());

        typeInto("passwordBox", QStringLiteral("kelmortx"));
        QVERIFY(overlay->isVisible());
        typeInto("passwordBox", QStringLiteral("KelmorTX"));
        QVERIFY(!overlay->isVisible());

        QVERIFY(checked("lockEnabledCheckBox"));
        click("lockEnabledCheckBox");
        QVERIFY(!settings->settingsLocked());
        reopen();
        QVERIFY(!overlay->isVisible());
    }

    void overlayKeepsClicksFromThePages()
    {
        settings->setSettingsLockPassword(QStringLiteral("secret"));
        showTab(2);
        reopen();
        QVERIFY(item("passwordOverlay")->isVisible());
        click("lockEnabledCheckBox");
        QVERIFY(settings->settingsLocked());
    }

    void credentialTest()
    {
        settings->setSerialNumber(sampleSerial);
        showTab(3);
        typeInto("passwordTextInput", stationKey);
        QCOMPARE(settings->password(), stationKey);

        QQuickItem *button = item("testButton");
        QQuickItem *result = item("testResult");
        QCOMPARE(button->property("text").toString(), QStringLiteral("Test credentials"));
        QCOMPARE(result->property("text").toString(), QString());

        click("testButton");
        QCOMPARE(button->property("text").toString(), QStringLiteral("testing"));
        QVERIFY(!button->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(
            result->property("text").toString(), QStringLiteral("Success"), 10000);
        QCOMPARE(button->property("text").toString(), QStringLiteral("Test credentials"));
        QVERIFY(button->isEnabled());
        QVERIFY(debugLines.contains(QStringLiteral("testCredentialsResult: true")));

        typeInto("passwordTextInput", QStringLiteral("wrong key"));
        click("testButton");
        QVERIFY(!button->isEnabled());
        // The last result stays until the next one arrives.
        QCOMPARE(result->property("text").toString(), QStringLiteral("Success"));
        QTRY_COMPARE_WITH_TIMEOUT(
            result->property("text").toString(), QStringLiteral("Invalid credentials"), 10000);
        QVERIFY(button->isEnabled());
        QVERIFY(debugLines.contains(QStringLiteral("testCredentialsResult: false")));

        // No portal at all is not a verdict on the key.
        keepPortalUploadsLocal();
        click("testButton");
        QTRY_COMPARE_WITH_TIMEOUT(result->property("text").toString(),
            QStringLiteral("The portal could not be reached: Connection refused"), 10000);
        setPortalUrlForTesting(portal.url());
    }

    void lastUploadAndPortalFields()
    {
        showTab(3);
        QQuickItem *last = item("lastQuorinLiveText");
        QCOMPARE(last->property("text").toString(), QStringLiteral("Never"));

        typeInto("quorinLiveMinutesSpinBox", QStringLiteral("15"));
        QCOMPARE(settings->quorinLiveMinutes(), 15);
        typeInto("wuUsernameInput", QStringLiteral("KXYZ42"));
        QCOMPARE(settings->wuUsername(), QStringLiteral("KXYZ42"));
        typeInto("wuPasswordInput", QStringLiteral("wu pass"));
        QCOMPARE(settings->wuPassword(), QStringLiteral("wu pass"));

        // An upload with the right identity is accepted, at the station clock's time.
        settings->setSerialNumber(sampleSerial);
        settings->setPassword(stationKey);
        runCycle();
        QTRY_COMPARE_WITH_TIMEOUT(
            last->property("text").toString(), QStringLiteral("Fri Mar 6 14:05:00 2026"), 10000);
    }

    void helpLinksOpen()
    {
        showTab(3);
        QCOMPARE(linksIn("portalHelpLabel"),
            QStringList { QStringLiteral("mailto:support@quorin.example") });
        QCOMPARE(linksIn("wuHelpLabel"),
            QStringList { QStringLiteral("https://www.wunderground.com/") });

        clickLink("wuHelpLabel");
        clickLink("portalHelpLabel");
        QCOMPARE(links.opened,
            (QList<QUrl> { QUrl(QStringLiteral("https://www.wunderground.com/")),
                QUrl(QStringLiteral("mailto:support@quorin.example")) }));
    }

    void mqttPage()
    {
#ifndef SKYQUILL_HAVE_MQTT
        QSKIP("built without libmosquitto: the tab only says so");
#endif
        showTab(4);
        click("mqttEnabledCheckBox");
        QVERIFY(settings->mqttEnabled());
        typeInto("mqttHostInput", QStringLiteral("127.0.0.1"));
        QCOMPARE(settings->mqttHost(), QStringLiteral("127.0.0.1"));
        const quint16 closedPort = freeTcpPort();
        typeInto("mqttPortInput", QString::number(closedPort));
        QCOMPARE(settings->mqttPort(), int(closedPort));
        typeInto("mqttUsernameInput", QStringLiteral("station"));
        QCOMPARE(settings->mqttUsername(), QStringLiteral("station"));
        typeInto("mqttPasswordInput", QStringLiteral("pw"));
        QCOMPARE(settings->mqttPassword(), QStringLiteral("pw"));

        QVERIFY(!item("mqttCaFileInput")->isEnabled());
        click("mqttTlsCheckBox");
        QVERIFY(settings->mqttTls());
        typeInto("mqttCaFileInput", QStringLiteral("/tmp/ca.pem"));
        QCOMPARE(settings->mqttCaFile(), QStringLiteral("/tmp/ca.pem"));
        click("mqttTlsCheckBox");

        typeInto("mqttBaseTopicInput", QStringLiteral("home/#"));
        QCOMPARE(text("mqttBaseTopicInput"), QStringLiteral("skyquill")); // refused
        typeInto("mqttBaseTopicInput", QStringLiteral("home/wx"));
        QCOMPARE(settings->mqttBaseTopic(), QStringLiteral("home/wx"));
        typeInto("mqttIntervalSpinBox", QStringLiteral("30"));
        QCOMPARE(settings->mqttIntervalSeconds(), 30);
        click("mqttDiscoveryCheckBox");
        QVERIFY(!settings->mqttDiscovery());
        QVERIFY(!item("mqttDiscoveryPrefixInput")->isEnabled());

        // Nobody listens there: the system's reason shows.
        click("mqttTestButton");
        QCOMPARE(text("mqttTestButton"), QStringLiteral("testing"));
        QVERIFY(!item("mqttTestButton")->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(
            text("mqttTestResult"), QStringLiteral("Connection refused"), 10000);
        QCOMPARE(text("mqttTestButton"), QStringLiteral("Test connection"));
        QVERIFY(item("mqttTestButton")->isEnabled());
    }

    void webPageAndWhetherItServes()
    {
#ifndef SKYQUILL_HAVE_WEB
        QSKIP("built without libmicrohttpd");
#endif
        QTcpServer holder; // another program on the port the user picks
        QVERIFY(holder.listen(QHostAddress::Any, 0));
        const quint16 taken = holder.serverPort();
        const quint16 free = freeTcpPort();
        unload();
        SysSettings(folder->path()).setWebPort(free);
        load(0, Console::WebPortFromSettings);

        showTab(8);
        QCOMPARE(text("webPortInput"), QString::number(free));
        QVERIFY(text("webStateText").startsWith("Serving http://"));
        QVERIFY(text("webStateText").endsWith(QString(":%1/").arg(free)));
        QVERIFY(!item("webHintText")->isVisible());

        typeInto("webPortInput", QString::number(taken));
        QCOMPARE(settings->webPort(), int(taken));
        QVERIFY(text("webStateText").startsWith(QString("Not serving on port %1: ").arg(taken)));
        QCOMPARE(
            item("webStateText")->property("color").value<QColor>(), QColor(settings->redColor()));
        QVERIFY(item("webHintText")->isVisible());

        typeInto("webBindAddressInput", QStringLiteral("kitchen"));
        QCOMPARE(text("webBindAddressInput"), QString()); // refused
        typeInto("webBindAddressInput", QStringLiteral("127.0.0.1"));
        typeInto("webPortInput", QString::number(free));
        QCOMPARE(text("webStateText"), QString("Serving http://127.0.0.1:%1/").arg(free));

        click("webEnabledCheckBox");
        QVERIFY(!settings->webEnabled());
        QCOMPARE(text("webStateText"), QStringLiteral("Off"));
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, free);
        QVERIFY(!client.waitForConnected(5000));
    }

    // Every change made on the pages is in force after a restart.
    void changesSurviveRestart()
    {
        click("aviationRadioButton");
        typeInto("runwayAngleTextInput", QStringLiteral("18"));
        click("radioButtonF");
        showTab(1);
        click("tcpRadioButton");
        typeInto("modbusPortInput", QStringLiteral("1502"));
        showTab(2);
        typeInto("minutesSpinBox", QStringLiteral("1"));
        typeInto("secondsSpinBox", QStringLiteral("30"));
        typeInto("logPrefixTextInput", QStringLiteral("wx-"));
        showTab(3);
        typeInto("passwordTextInput", QStringLiteral("k2"));
        typeInto("quorinLiveMinutesSpinBox", QStringLiteral("5"));

        unload();
        load();

        QVERIFY(checked("aviationRadioButton"));
        QCOMPARE(text("runwayAngleTextInput"), QStringLiteral("18"));
        QVERIFY(checked("radioButtonF"));
        QVERIFY(checked("tcpRadioButton"));
        QVERIFY(item("tcpGroupBox")->isEnabled());
        QCOMPARE(text("modbusPortInput"), QStringLiteral("1502"));
        QCOMPARE(spinValues(), qMakePair(1, 30));
        QCOMPARE(text("logPrefixTextInput"), QStringLiteral("wx-"));
        QCOMPARE(text("passwordTextInput"), QStringLiteral("k2"));
        QCOMPARE(item("quorinLiveMinutesSpinBox")->property("value").toInt(), 5);
    }

private:
    // The gateway and the web server take any free port unless told to
    // follow their settings.
    void load(int gatewayPort = 0, int webPort = 0)
    {
        unload();
        // A built-in port and one USB adapter, whatever this machine has.
        settings = std::make_unique<SysSettings>(folder->path(), [] {
            SerialPortEntry builtIn;
            builtIn.portName = QStringLiteral("ttyS0");
            builtIn.systemLocation = QStringLiteral("/dev/ttyS0");
            SerialPortEntry adapter;
            adapter.portName = QStringLiteral("ttyUSB0");
            adapter.systemLocation = QStringLiteral("/dev/ttyUSB0");
            adapter.hasVendorId = true;
            adapter.vendorId = 0x0403;
            adapter.byIdAlias = byIdName;
            return QList<SerialPortEntry> { builtIn, adapter };
        });
        ui = std::make_unique<ConsoleWindow>(*settings, gatewayPort, webPort);
        console = &ui->console;
        modbus = &ui->modbus();
        modbus->setClock([] { return QDateTime(QDate(2026, 3, 6), QTime(14, 5)); });
        QVERIFY(ui->load());
        mainWindow = ui->window;
        // Made on first use, as the settings button makes it.
        QVERIFY(QMetaObject::invokeMethod(mainWindow, "ensureSettingsWindow"));
        window = mainWindow->findChild<QQuickWindow *>(QStringLiteral("settingsWindow"));
        QVERIFY(window);
        show();
    }

    void show()
    {
        window->show();
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    void unload()
    {
        ui.reset();
        console = nullptr;
        modbus = nullptr;
        settings.reset();
        // Replies, managers and QML objects released with deleteLater go now,
        // not at exit, where they would read as leaks.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        window = nullptr;
    }

    // The poll cycle's signals reach the bindings through this thread's loop.
    void runCycle()
    {
        QVERIFY(ui->runCycle());
    }

    void reopen()
    {
        // Hidden rather than closed: a closed window loses its platform
        // window, which the offscreen platform complains about when a frame
        // is still on its way. The window reacts to both the same way.
        window->hide();
        show();
    }

    void showTab(int index)
    {
        item("tabs")->setProperty("currentIndex", index);
        QCOMPARE(item("settingsStack")->property("currentIndex").toInt(), index);
    }

    // By the visual tree: the buttons a Repeater makes are not QObject children.
    static QQuickItem *findItem(QQuickItem *under, const QString &name)
    {
        for (QQuickItem *child : under->childItems()) {
            if (child->objectName() == name)
                return child;
            if (QQuickItem *found = findItem(child, name))
                return found;
        }
        return nullptr;
    }

    QQuickItem *item(const char *name)
    {
        QQuickItem *found = findItem(window->contentItem(), QLatin1String(name));
        if (!found)
            qFatal("no item %s", name);
        return found;
    }

    QQuickItem *mainItem(const char *name)
    {
        auto *found = mainWindow->findChild<QQuickItem *>(QLatin1String(name));
        if (!found)
            qFatal("no item %s", name);
        return found;
    }

    QString text(const char *name)
    {
        return item(name)->property("text").toString();
    }
    bool checked(const char *name)
    {
        return item(name)->property("checked").toBool();
    }

    QPair<int, int> spinValues()
    {
        return qMakePair(item("minutesSpinBox")->property("value").toInt(),
            item("secondsSpinBox")->property("value").toInt());
    }

    void clickAt(QQuickItem *target, QPointF local)
    {
        QVERIFY2(target->isVisible(), target->objectName().toLatin1());
        QTest::mouseClick(
            window, Qt::LeftButton, Qt::NoModifier, target->mapToScene(local).toPoint());
    }

    void click(const char *name)
    {
        QQuickItem *target = item(name);
        clickAt(target, QPointF(target->width() / 2, target->height() / 2));
    }

    // Replaces the text of a field or spin box as typed, then presses Enter.
    void typeInto(const char *name, const QString &typed, bool enter = true)
    {
        click(name);
        QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window, Qt::Key_Backspace);
        for (const QChar c : typed)
            QTest::keyClick(window, c.toLatin1());
        if (enter)
            QTest::keyClick(window, Qt::Key_Return);
    }

    QStringList clientLines()
    {
        QStringList lines;
        for (QQuickItem *line : item("recentClientsList")->childItems()) {
            if (line->objectName() == QLatin1String("recentClient"))
                lines.append(line->property("text").toString());
        }
        return lines;
    }

    // Every distinct link target under the text, scanned on a 3 px grid.
    QStringList linksIn(const char *name)
    {
        QQuickItem *label = item(name);
        QStringList found;
        for (qreal y = 1; y < label->height(); y += 3) {
            for (qreal x = 1; x < label->width(); x += 3) {
                const QString link = linkAt(label, QPointF(x, y));
                if (!link.isEmpty() && !found.contains(link))
                    found.append(link);
            }
        }
        return found;
    }

    void clickLink(const char *name)
    {
        QQuickItem *label = item(name);
        for (qreal y = 1; y < label->height(); y += 3) {
            for (qreal x = 1; x < label->width(); x += 3) {
                if (!linkAt(label, QPointF(x, y)).isEmpty()) {
                    clickAt(label, QPointF(x, y));
                    return;
                }
            }
        }
        QFAIL("no link");
    }

    static QString linkAt(QQuickItem *label, QPointF at)
    {
        QString link;
        QMetaObject::invokeMethod(label, "linkAt", Q_RETURN_ARG(QString, link),
            Q_ARG(qreal, at.x()), Q_ARG(qreal, at.y()));
        return link;
    }

    PortalProcess portal;
    LinkCatcher links;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<SysSettings> settings;
    std::unique_ptr<ConsoleWindow> ui;
    Console *console = nullptr;
    QModbus *modbus = nullptr;
    QQuickWindow *mainWindow = nullptr;
    QQuickWindow *window = nullptr;
};

QTEST_MAIN(TestSettingsPages)
#include "tst_settingspages.moc"
