#include "acquisition/modbusprotocol.h"
#include "acquisition/registerimage.h"
#include "acquisition/rtumaster.h"
#include "acquisition/serialport.h"

#include <QList>
#include <QtTest>

#include <atomic>
#include <cstring>

namespace {

// A station on a virtual clock: each write pulls the next scripted answer, whose
// pieces arrive at their delays after the write. A nap advances the clock and,
// like the real port, ends early when a piece arrives.
class FakePort : public SerialPort
{
public:
    struct Piece
    {
        int delay;
        QByteArray bytes;
    };
    using Answer = QList<Piece>;

    bool open(const QString &path) override
    {
        openedPath = path;
        opened = openOk;
        return opened;
    }
    SerialOpenError openError() const override
    {
        return opened ? SerialOpenError() : SerialOpenError { SerialOpenError::NotFound, {} };
    }
    bool readParameters() override { return opened && readOk; }
    void setTimeouts() override { timeoutsSet = true; }
    bool writeParameters(int baudRate) override
    {
        baud = baudRate;
        return opened && writeOk;
    }
    int read(quint8 *buffer, int maximum) override
    {
        if (!opened || failReads)
            return -1;
        deliver();
        const int n = qMin(maximum, int(arrived.size()));
        std::memcpy(buffer, arrived.constData(), std::size_t(n));
        arrived.remove(0, n);
        return n;
    }
    int write(const quint8 *data, int length) override
    {
        if (!opened)
            return -1;
        written.append(QByteArray(reinterpret_cast<const char *>(data), length));
        if (!answers.isEmpty()) {
            for (const Piece &piece : answers.takeFirst())
                pending.append({ now + piece.delay, piece.bytes });
        }
        return length;
    }
    void nap(int milliseconds) override
    {
        ++naps;
        qint64 until = now + milliseconds;
        for (const Timed &t : qAsConst(pending)) {
            if (t.at > now && t.at < until)
                until = t.at;
        }
        now = until;
        if (raiseOnNap)
            raiseOnNap->store(true);
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    bool isGone() const override { return false; }

    void advance(int milliseconds) { now += milliseconds; }
    void deliver()
    {
        for (int i = 0; i < pending.size();) {
            if (pending.at(i).at <= now)
                arrived.append(pending.takeAt(i).bytes);
            else
                ++i;
        }
    }

    struct Timed
    {
        qint64 at;
        QByteArray bytes;
    };
    qint64 now = 0;
    bool openOk = true, readOk = true, writeOk = true;
    bool opened = true;
    bool failReads = false;
    bool timeoutsSet = false;
    int baud = 0;
    int naps = 0;
    QString openedPath;
    QList<Answer> answers;
    QList<Timed> pending;
    QByteArray arrived;
    QList<QByteArray> written;
    std::atomic<bool> *raiseOnNap = nullptr;
};

// A reply whose CRC is computed over the frame as given, so that a wrong unit,
// function or byte count still passes the CRC check.
QByteArray frame(quint8 unit, quint8 function, int byteCount, const QByteArray &data)
{
    QByteArray out;
    out.append(char(unit));
    out.append(char(function));
    out.append(char(byteCount));
    out.append(data);
    const quint16 crc
        = modbus::crc16(reinterpret_cast<const quint8 *>(out.constData()), std::size_t(out.size()));
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    return out;
}

// Register i holds 0xA0+i, 0x5F-i: the high bytes exceed 0x7F to catch sign extension.
QByteArray registerData(int count)
{
    QByteArray data;
    for (int i = 0; i < count; ++i) {
        data.append(char(0xA0 + i));
        data.append(char(0x5F - i));
    }
    return data;
}

FakePort::Answer at(int delay, const QByteArray &bytes)
{
    return { { delay, bytes } };
}

} // namespace

class TestRtuMaster : public QObject
{
    Q_OBJECT

private:
    FakePort port;
    RegisterImage *image = nullptr;
    RtuMaster *master = nullptr;

    QByteArray imageBytes() const { return image->snapshot(); }

private slots:
    void init()
    {
        port = FakePort();
        image = new RegisterImage;
        master = new RtuMaster(port, *image);
        master->setClock([this] { return port.now; });
    }

    void cleanup()
    {
        delete master;
        delete image;
    }

    void statusBlockSuccess()
    {
        const QByteArray data = registerData(11);
        port.answers.append(at(30, frame(1, 3, 22, data)));
        quint16 words[11] = {};
        QCOMPARE(master->readRegisters(1, 3, 101, 11, words), 11);

        QCOMPARE(port.written.size(), 1);
        QCOMPARE(port.written.first(), QByteArray::fromHex("01030064000B45D2"));
        QCOMPARE(words[0], quint16(0xA05F));
        QCOMPARE(words[10], quint16(0xAA55));
        const QByteArray img = imageBytes();
        QCOMPARE(img.left(22), data);
        QCOMPARE(img.mid(22), QByteArray(200, '\0'));
        // Complete at 30 ms: the window closes as soon as the reply is in.
        QCOMPARE(port.now, qint64(30));
    }

    void dataBlockSuccess()
    {
        const QByteArray data = registerData(100);
        port.answers.append(at(120, frame(1, 3, 200, data)));
        quint16 words[100] = {};
        QCOMPARE(master->readRegisters(1, 3, 201, 100, words), 100);
        QCOMPARE(port.written.first(), QByteArray::fromHex("010300C80064C5DF"));
        QCOMPARE(words[0], quint16(0xA05F));
        QCOMPARE(words[99], quint16((0xA0 + 99) * 256 + (0x5F - 99 + 256) % 256));
        const QByteArray img = imageBytes();
        QCOMPARE(img.left(22), QByteArray(22, '\0'));
        QCOMPARE(img.mid(22), data);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("endsAt"); // virtual ms when the transaction gives up
        const QByteArray data = registerData(11);
        QByteArray corrupted = frame(1, 3, 22, data);
        corrupted[4] = char(corrupted[4] ^ 0x80);

        QTest::newRow("silence") << QByteArray() << -1 << 900;
        QTest::newRow("bad crc") << corrupted << -5 << 40;
        QTest::newRow("incomplete") << frame(1, 3, 22, data).left(20) << -5 << 900;
        QTest::newRow("exception reply") << QByteArray::fromHex("018302C0F1") << -5 << 900;
        QTest::newRow("garbage") << QByteArray(27, char(0x55)) << -5 << 40;
        QTest::newRow("unit 2") << frame(2, 3, 22, data) << -6 << 40;
        QTest::newRow("function 4") << frame(1, 4, 22, data) << -7 << 40;
        QTest::newRow("byte count 20") << frame(1, 3, 20, data) << -8 << 40;
    }

    void failures()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, result);
        QFETCH(int, endsAt);
        if (!reply.isEmpty())
            port.answers.append(at(40, reply));
        quint16 words[11];
        std::fill(std::begin(words), std::end(words), quint16(0x1234));
        QCOMPARE(master->readRegisters(1, 3, 101, 11, words), result);
        QCOMPARE(imageBytes(), QByteArray(RegisterImage::Size, '\0'));
        QCOMPARE(words[0], quint16(0x1234));
        QCOMPARE(words[10], quint16(0x1234));
        // A short reply waits out the whole window, and no longer.
        QCOMPARE(port.now, qint64(endsAt));
    }

    void replySplitAcrossNaps()
    {
        const QByteArray reply = frame(1, 3, 22, registerData(11));
        port.answers.append(
            { { 15, reply.left(3) }, { 70, reply.mid(3, 10) }, { 230, reply.mid(13) } });
        quint16 words[11] = {};
        QCOMPARE(master->readRegisters(1, 3, 101, 11, words), 11);
        QCOMPARE(words[1], quint16(0xA15E));
        QCOMPARE(imageBytes().left(22), registerData(11));
        QCOMPARE(port.now, qint64(230));
    }

    void windowBoundary()
    {
        // Still inside the ~900 ms window.
        port.answers.append(at(880, frame(1, 3, 22, registerData(11))));
        QCOMPARE(master->readRegisters(1, 3, 101, 11, nullptr), 11);
    }

    void lateReplyIsDiscardedByNextTransaction()
    {
        const QByteArray reply = frame(1, 3, 22, registerData(11));
        port.answers.append(at(1000, reply));
        QCOMPARE(master->readRegisters(1, 3, 101, 11, nullptr), -1);
        QCOMPARE(imageBytes(), QByteArray(RegisterImage::Size, '\0'));

        // The next poll cycle comes round after the late bytes have landed.
        port.advance(300);
        QByteArray other = registerData(11);
        other[0] = char(0x01);
        port.answers.append(at(20, frame(1, 3, 22, other)));
        quint16 words[11] = {};
        QCOMPARE(master->readRegisters(1, 3, 101, 11, words), 11);
        QCOMPARE(words[0], quint16(0x015F));
        QCOMPARE(imageBytes().left(22), other);
        QVERIFY(port.arrived.isEmpty());
    }

    void wrongUnitKeepsPreviousImage()
    {
        const QByteArray first = registerData(100);
        port.answers.append(at(10, frame(1, 3, 200, first)));
        QCOMPARE(master->readRegisters(1, 3, 201, 100, nullptr), 100);

        port.answers.append(at(10, frame(2, 3, 200, QByteArray(200, char(0x77)))));
        QCOMPARE(master->readRegisters(1, 3, 201, 100, nullptr), -6);
        QCOMPARE(imageBytes().mid(22), first);
    }

    void portNotOpen()
    {
        port.opened = false;
        QCOMPARE(master->readRegisters(1, 3, 101, 11, nullptr), -1);
        QVERIFY(port.written.isEmpty());
        QCOMPARE(port.naps, 0);
    }

    void readErrorEndsTheWindow()
    {
        port.failReads = true;
        QCOMPARE(master->readRegisters(1, 3, 101, 11, nullptr), -1);
        QCOMPARE(port.written.size(), 1);
        QCOMPARE(port.naps, 0);
    }

    void abortFlagCutsTheWindowShort()
    {
        std::atomic<bool> stop { false };
        master->setAbortFlag(&stop);
        port.raiseOnNap = &stop;
        port.answers.append(at(500, frame(1, 3, 22, registerData(11))));
        QCOMPARE(master->readRegisters(1, 3, 101, 11, nullptr), -1);
        QCOMPARE(port.naps, 1);
    }

    void impossibleCountsAreRefused()
    {
        QCOMPARE(master->readRegisters(1, 3, 101, 0, nullptr), -1);
        QCOMPARE(master->readRegisters(1, 3, 101, 126, nullptr), -1);
        QCOMPARE(master->readRegisters(1, 3, 0, 1, nullptr), -1);
        QVERIFY(port.written.isEmpty());
    }

private:
    // Port names as each system knows them, the device path opened and the
    // log line that names it (QDebug doubles a backslash in a quoted string).
    struct PortName
    {
        const char *name, *path, *logged;
    };
#ifdef Q_OS_WIN
    const PortName usbAdapter { "COM12", R"(\\.\COM12)", R"(Device:  "\\\\.\\COM12")" };
    const PortName pseudoTerminal { "COM7", R"(\\.\COM7)", R"(Device:  "\\\\.\\COM7")" };
    const PortName onBoard { "COM1", R"(\\.\COM1)", R"(Device:  "\\\\.\\COM1")" };
#else
    const PortName usbAdapter { "ttyUSB0", "/dev/ttyUSB0", R"(Device:  "/dev/ttyUSB0")" };
    const PortName pseudoTerminal { "/dev/pts/7", "/dev/pts/7", R"(Device:  "/dev/pts/7")" };
    const PortName onBoard { "ttyS0", "/dev/ttyS0", R"(Device:  "/dev/ttyS0")" };
#endif

    static QByteArray openedLine(const PortName &port)
    {
        return QByteArray("QModbus: Opened serial port  \"") + port.name + "\"  Sucessfully!";
    }

private slots:
    void openSequence()
    {
        port.opened = false;
        QTest::ignoreMessage(QtDebugMsg, usbAdapter.logged);
        QTest::ignoreMessage(QtDebugMsg, openedLine(usbAdapter).constData());
        QTest::ignoreMessage(QtDebugMsg, "QModbus: Serial port setup and ready for use");
        QCOMPARE(master->openPort(QString::fromLatin1(usbAdapter.name), 19200), RtuMaster::Ok);
        QCOMPARE(port.openedPath, QString::fromLatin1(usbAdapter.path));
        QVERIFY(port.timeoutsSet);
        QCOMPARE(port.baud, 19200);
        QVERIFY(port.isOpen());
        master->closePort();
        QVERIFY(!port.isOpen());
    }

    void openFailures()
    {
        port.opened = false;
        port.openOk = false;
        QTest::ignoreMessage(QtDebugMsg, pseudoTerminal.logged);
        QTest::ignoreMessage(QtDebugMsg, "QModbus: Failed to open serial port");
        QCOMPARE(master->openPort(QString::fromLatin1(pseudoTerminal.name), 9600),
            RtuMaster::OpenFailed);

        port.openOk = true;
        port.readOk = false;
        QTest::ignoreMessage(QtDebugMsg, onBoard.logged);
        QTest::ignoreMessage(QtDebugMsg, openedLine(onBoard).constData());
        QTest::ignoreMessage(QtDebugMsg, "QModbus: Failed to get com port paramters");
        QCOMPARE(
            master->openPort(QString::fromLatin1(onBoard.name), 9600), RtuMaster::GetParamsFailed);
        QVERIFY(!port.isOpen());
        QVERIFY(!port.timeoutsSet);

        port.readOk = true;
        port.writeOk = false;
        QTest::ignoreMessage(QtDebugMsg, onBoard.logged);
        QTest::ignoreMessage(QtDebugMsg, openedLine(onBoard).constData());
        QTest::ignoreMessage(QtDebugMsg, "QModbus: Serial port setup and ready for use");
        QTest::ignoreMessage(QtDebugMsg, "QModbus: Failed to set new com port paramters");
        QCOMPARE(
            master->openPort(QString::fromLatin1(onBoard.name), 12345), RtuMaster::SetParamsFailed);
        QVERIFY(!port.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestRtuMaster)
#include "tst_rtumaster.moc"
