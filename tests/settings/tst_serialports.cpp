#include "settings/serialports.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(SerialPortEntry)

namespace {

SerialPortEntry port(const char *name, bool usb, const char *alias = "")
{
    SerialPortEntry entry;
    entry.portName = QLatin1String(name);
    entry.systemLocation = QStringLiteral("/dev/") + entry.portName;
    entry.hasVendorId = usb;
    entry.vendorId = usb ? 0x0403 : 0;
    entry.byIdAlias = QLatin1String(alias);
    return entry;
}

} // namespace

class TestSerialPorts : public QObject
{
    Q_OBJECT

private slots:
    void firstRunChoice_data()
    {
        QTest::addColumn<QList<SerialPortEntry>>("ports");
        QTest::addColumn<QString>("chosen");
        const char *ftdi = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0";

        QTest::newRow("none") << QList<SerialPortEntry>() << "COM1";
        QTest::newRow("one USB, by its stable name")
            << QList<SerialPortEntry> { port("ttyS0", false), port("ttyUSB0", true, ftdi) } << ftdi;
        QTest::newRow("one USB without a stable name")
            << QList<SerialPortEntry> { port("ttyACM0", true) } << "ttyACM0";
        QTest::newRow("two USB") << QList<SerialPortEntry> { port("ttyUSB0", true, ftdi),
            port("ttyUSB1", true) }
                                 << "COM1";
        QTest::newRow("only built-in")
            << QList<SerialPortEntry> { port("ttyS0", false), port("ttyS1", false) } << "COM1";
    }

    void firstRunChoice()
    {
        QFETCH(QList<SerialPortEntry>, ports);
        QFETCH(QString, chosen);
        const serialports::FirstRunChoice choice = serialports::chooseFirstRunPort(ports);
        QCOMPARE(choice.port, chosen);
        QVERIFY(!choice.reason.isEmpty());
    }

    void byIdLinksNameTheirDevices()
    {
#ifdef Q_OS_WIN
        QSKIP("udev's by-id links are Linux's; a link made on Windows is a shortcut file");
#endif
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("by-id")));
        for (const char *device : { "ttyUSB0", "ttyUSB1" }) {
            QFile file(dir.filePath(QLatin1String(device)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString byId = dir.filePath(QStringLiteral("by-id"));
        // Relative, as udev makes them; two lead to ttyUSB1, one nowhere.
        QVERIFY(QFile::link(QStringLiteral("../ttyUSB1"), byId + "/usb-B-if00"));
        QVERIFY(QFile::link(QStringLiteral("../ttyUSB1"), byId + "/usb-A-if00"));
        QVERIFY(QFile::link(QStringLiteral("../ttyGone"), byId + "/usb-C-if00"));

        QList<SerialPortEntry> entries { port("ttyUSB0", true), port("ttyUSB1", true) };
        entries[0].systemLocation = dir.filePath(QStringLiteral("ttyUSB0"));
        entries[1].systemLocation = dir.filePath(QStringLiteral("ttyUSB1"));
        serialports::attachByIdAliases(entries, byId);
        QCOMPARE(entries[0].byIdAlias, QString());
        QCOMPARE(entries[1].byIdAlias, byId + "/usb-A-if00");

        // No such folder (no USB serial device, or not Linux): no names.
        serialports::attachByIdAliases(entries, dir.filePath(QStringLiteral("none")));
        QCOMPARE(entries[1].byIdAlias, QString());
    }

    void storedPortIsPresentWhileItsPathExists()
    {
        QVERIFY(serialports::portExists(QStringLiteral("COM7"), { QStringLiteral("COM7") }));
#ifndef Q_OS_WIN
        // Unlisted, as a pseudo-terminal or a link of one's own is.
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("station"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("pts3")), link));
        QVERIFY(!serialports::portExists(link, {}));
        QVERIFY(QFile(dir.filePath(QStringLiteral("pts3"))).open(QIODevice::WriteOnly));
        QVERIFY(serialports::portExists(link, {}));
#endif
    }
};

QTEST_GUILESS_MAIN(TestSerialPorts)
#include "tst_serialports.moc"
