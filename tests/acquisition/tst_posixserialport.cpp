#include "acquisition/modbusprotocol.h"
#include "acquisition/posixserialport.h"
#include "acquisition/registerimage.h"
#include "acquisition/rtumaster.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

#ifdef Q_OS_UNIX
#include "support/unprivileged.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#endif

class TestPosixSerialPort : public QObject
{
    Q_OBJECT

#ifdef Q_OS_UNIX
private:
    // The test plays the station on the master side of a pseudo-terminal; the
    // port under test opens the slave by its path.
    int master = -1;
    int slave = -1; // kept open to inspect the line settings
    QString slavePath;

    void writeMaster(const QByteArray &bytes)
    {
        QCOMPARE(
            int(::write(master, bytes.constData(), std::size_t(bytes.size()))), int(bytes.size()));
    }

    QByteArray readMaster(int length, int timeoutMs)
    {
        QByteArray out;
        QElapsedTimer timer;
        timer.start();
        while (out.size() < length && timer.elapsed() < timeoutMs) {
            pollfd entry { master, POLLIN, 0 };
            if (::poll(&entry, 1, 20) == 1 && (entry.revents & POLLIN)) {
                char buffer[256];
                const ssize_t n = ::read(master, buffer, std::size_t(length - out.size()));
                if (n > 0)
                    out.append(buffer, int(n));
            }
        }
        return out;
    }

    void openRaw(PosixSerialPort &port)
    {
        QVERIFY(port.open(slavePath));
        QVERIFY(port.readParameters());
        port.setTimeouts();
        QVERIFY(port.writeParameters(9600));
    }

private slots:
    void init()
    {
        char name[256] = {};
        QCOMPARE(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        slavePath = QString::fromLocal8Bit(name);
    }

    void cleanup()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
        master = slave = -1;
    }

    void opensByAbsolutePathExclusively()
    {
        PosixSerialPort port;
        QVERIFY(!port.isOpen());
        QVERIFY(port.open(slavePath));
        QVERIFY(port.isOpen());
        QVERIFY(!port.isGone());

        PosixSerialPort second;
        QVERIFY(!second.open(slavePath));
        QVERIFY(!second.isOpen());

        port.close();
        QVERIFY(!port.isOpen());
        QVERIFY(second.open(slavePath));
    }

    void missingDeviceFailsToOpen()
    {
        PosixSerialPort port;
        QVERIFY(!port.open(QStringLiteral("/dev/skyquill-no-such-tty")));
        QVERIFY(!port.isOpen());
        quint8 buffer[4];
        QCOMPARE(port.read(buffer, 4), -1);
        QCOMPARE(port.write(buffer, 4), -1);
        QVERIFY(!port.readParameters());
        QVERIFY(!port.writeParameters(9600));
    }

    void openFailuresSayWhy()
    {
        QTemporaryDir dir;
        QVERIFY(unprivileged::letIn(dir.path()));
        const QString locked = dir.filePath(QStringLiteral("ttyLocked"));
        const QString plain = dir.filePath(QStringLiteral("notATty"));
        for (const QString &path : { locked, plain }) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
        PosixSerialPort holder;
        QVERIFY(holder.open(slavePath));

        const struct
        {
            QString path;
            SerialOpenError::Kind kind;
            const char *advice;
        } cases[] = {
            { dir.filePath(QStringLiteral("ttyGone")), SerialOpenError::NotFound,
                "This port does not exist." },
            { slavePath, SerialOpenError::InUse, "The port is in use by another program." },
            { plain, SerialOpenError::NotSerial, "This is not a serial port." },
            { dir.path(), SerialOpenError::Other, "Is a directory." },
        };
        for (const auto &c : cases) {
            PosixSerialPort port;
            QVERIFY2(!port.open(c.path), qPrintable(c.path));
            QCOMPARE(port.openError().kind, c.kind);
            QCOMPARE(serialOpenAdvice(port.openError()), QLatin1String(c.advice));
        }
        {
            PosixSerialPort port;
            bool opened;
            {
                unprivileged::Scope asUser;
                opened = port.open(locked);
            }
            QVERIFY(!opened);
            QCOMPARE(port.openError().kind, SerialOpenError::PermissionDenied);
            QCOMPARE(serialOpenAdvice(port.openError()),
                QStringLiteral("Permission denied: add your user to the dialout group."));
        }
        QVERIFY(holder.open(slavePath));
        QCOMPARE(holder.openError().kind, SerialOpenError::None);
    }

    void lineSettings_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<uint>("speed");
        QTest::newRow("9600") << 9600 << uint(B9600);
        QTest::newRow("19200") << 19200 << uint(B19200);
        QTest::newRow("38400") << 38400 << uint(B38400);
        QTest::newRow("1200") << 1200 << uint(B1200);
        QTest::newRow("230400") << 230400 << uint(B230400);
    }

    void lineSettings()
    {
        QFETCH(int, baud);
        QFETCH(uint, speed);
        PosixSerialPort port;
        QVERIFY(port.open(slavePath));
        QVERIFY(port.readParameters());
        port.setTimeouts();
        QVERIFY(port.writeParameters(baud));

        termios t {};
        QCOMPARE(::tcgetattr(slave, &t), 0);
        QCOMPARE(uint(::cfgetospeed(&t)), speed);
        QCOMPARE(uint(::cfgetispeed(&t)), speed);
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
        QCOMPARE(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
        QCOMPARE(t.c_iflag & (IXON | IXOFF), tcflag_t(0));
        QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        QCOMPARE(int(t.c_cc[VMIN]), 0);
        QCOMPARE(int(t.c_cc[VTIME]), 0);
    }

    void unsupportedRatesAreRefused()
    {
        PosixSerialPort port;
        openRaw(port);
        termios before {};
        QCOMPARE(::tcgetattr(slave, &before), 0);
        QVERIFY(!port.writeParameters(12345));
        QVERIFY(!port.writeParameters(0));
        QVERIFY(!port.writeParameters(-9600));
        termios after {};
        QCOMPARE(::tcgetattr(slave, &after), 0);
        QCOMPARE(::cfgetospeed(&after), ::cfgetospeed(&before));
    }

    void readsNeverWait()
    {
        PosixSerialPort port;
        QVERIFY(port.open(slavePath));
        quint8 buffer[64];
        // Before the line is raw the tty is canonical; O_NONBLOCK still holds.
        QCOMPARE(port.read(buffer, sizeof buffer), 0);
        port.setTimeouts();
        QCOMPARE(port.read(buffer, sizeof buffer), 0);
        QVERIFY(!port.isGone());
    }

    void bytesBothWays()
    {
        PosixSerialPort port;
        openRaw(port);
        const QByteArray request = QByteArray::fromHex("01030064000B45D2");
        QCOMPARE(port.write(reinterpret_cast<const quint8 *>(request.constData()), 8), 8);
        QCOMPARE(readMaster(8, 2000), request);

        // Bytes a terminal would treat specially must pass untouched on a raw line.
        const QByteArray reply = QByteArray::fromHex("0D0A03111304007F FF 1A");
        writeMaster(reply);
        QByteArray got;
        quint8 buffer[64];
        for (int i = 0; i < 40 && got.size() < reply.size(); ++i) {
            port.nap(50);
            const int n = port.read(buffer, sizeof buffer);
            QVERIFY(n >= 0);
            got.append(reinterpret_cast<const char *>(buffer), n);
        }
        QCOMPARE(got, reply);
    }

    void napEndsWhenBytesArrive()
    {
        PosixSerialPort port;
        openRaw(port);
        writeMaster(QByteArray::fromHex("0103"));
        QElapsedTimer timer;
        timer.start();
        port.nap(5000);
        QVERIFY2(timer.elapsed() < 2500, "nap did not return when input was waiting");
        quint8 buffer[8];
        QCOMPARE(port.read(buffer, sizeof buffer), 2);
        QCOMPARE(buffer[1], quint8(0x03));

        // With nothing to read it sleeps (at least about) the time asked.
        timer.restart();
        port.nap(60);
        QVERIFY(timer.elapsed() >= 50);
    }

    void hangUpMarksThePortGone()
    {
        PosixSerialPort port;
        openRaw(port);
        ::close(master);
        master = -1;
        QElapsedTimer timer;
        timer.start();
        port.nap(5000);
        QVERIFY(timer.elapsed() < 2500);
        QVERIFY(port.isGone());
        quint8 buffer[8];
        QCOMPARE(port.read(buffer, sizeof buffer), -1);
        QVERIFY(port.isOpen());
        port.close();
        QVERIFY(!port.isOpen());
    }

    void hangUpSeenByReadAlone()
    {
        PosixSerialPort port;
        openRaw(port);
        ::close(master);
        master = -1;
        quint8 buffer[8];
        QCOMPARE(port.read(buffer, sizeof buffer), -1);
        QVERIFY(port.isGone());
    }

    void rtuTransactionOverTheLine()
    {
        PosixSerialPort port;
        RegisterImage image;
        RtuMaster rtu(port, image);
        QTest::ignoreMessage(
            QtDebugMsg, QByteArray("Device:  \"" + slavePath.toLocal8Bit() + "\""));
        QTest::ignoreMessage(QtDebugMsg,
            QByteArray(
                "QModbus: Opened serial port  \"" + slavePath.toLatin1() + "\"  Sucessfully!"));
        QTest::ignoreMessage(QtDebugMsg, "QModbus: Serial port setup and ready for use");
        QCOMPARE(rtu.openPort(slavePath, 19200), RtuMaster::Ok);

        // Stale bytes on the line must not be taken for the reply.
        writeMaster(QByteArray::fromHex("FFFF"));
        QByteArray reply = QByteArray::fromHex("01 03 16");
        for (int i = 0; i < 22; ++i)
            reply.append(char(0x80 + i));
        const quint16 crc = modbus::crc16(
            reinterpret_cast<const quint8 *>(reply.constData()), std::size_t(reply.size()));
        reply.append(char(crc & 0xFF));
        reply.append(char(crc >> 8));

        QByteArray request;
        std::thread station([&] {
            request = readMaster(8, 3000);
            // Answer in two pieces, as a slow converter would.
            if (::write(master, reply.constData(), 10) != 10)
                return;
            ::usleep(20000);
            const std::size_t rest = std::size_t(reply.size() - 10);
            if (::write(master, reply.constData() + 10, rest) != ssize_t(rest))
                return;
        });
        // Let the stale bytes land before the transaction's discard read.
        port.nap(200);
        quint16 words[11] = {};
        const int result = rtu.readRegisters(1, 3, 101, 11, words);
        station.join();
        QCOMPARE(request, QByteArray::fromHex("01030064000B45D2"));
        QCOMPARE(result, 11);
        QCOMPARE(words[0], quint16(0x8081));
        QCOMPARE(image.snapshot().left(22), reply.mid(3, 22));
        rtu.closePort();
        QVERIFY(!port.isOpen());
    }
#endif

private slots:
    void devicePaths()
    {
#ifdef Q_OS_WIN
        QCOMPARE(serialDevicePath(QStringLiteral("COM5")), QStringLiteral("\\\\.\\COM5"));
        QCOMPARE(serialDevicePath(QStringLiteral("COM12")), QStringLiteral("\\\\.\\COM12"));
#else
        QCOMPARE(serialDevicePath(QStringLiteral("ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(serialDevicePath(QStringLiteral("serial/by-id/usb-x")),
            QStringLiteral("/dev/serial/by-id/usb-x"));
        QCOMPARE(serialDevicePath(QStringLiteral("/dev/pts/3")), QStringLiteral("/dev/pts/3"));
        QCOMPARE(serialDevicePath(QStringLiteral("/tmp/station")), QStringLiteral("/tmp/station"));
#endif
    }
};

QTEST_GUILESS_MAIN(TestPosixSerialPort)
#include "tst_posixserialport.moc"
