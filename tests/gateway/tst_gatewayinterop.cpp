#include "acquisition/registerimage.h"
#include "gateway/gatewayserver.h"

#include <QMap>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

// The gateway against pymodbus's TCP client, a Modbus implementation none of
// us wrote: what a SCADA program on the network would see.
class TestGatewayInterop : public QObject
{
    Q_OBJECT

    // Runs the client script against `port`; its result lines by name, and
    // what it printed to stderr under STDERR.
    static QMap<QString, QStringList> runClient(quint16 port)
    {
        QProcess process;
        QSignalSpy finished(&process, &QProcess::finished);
        process.start("/usr/bin/python3",
            { QStringLiteral(PYMODBUS_CLIENT), "127.0.0.1", QString::number(port) });
        // The gateway answers from this thread's event loop while we wait.
        if (!finished.wait(60000)) {
            process.kill();
            process.waitForFinished(3000);
        }
        QMap<QString, QStringList> result;
        const QStringList lines
            = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        for (const QString &line : lines) {
            QStringList fields = line.split(' ');
            const QString name = fields.takeFirst();
            result.insert(name, fields);
        }
        result.insert("STDERR", { QString::fromUtf8(process.readAllStandardError()) });
        return result;
    }

    static QStringList decimal(int first, int last, const std::function<int(int)> &value)
    {
        QStringList list;
        for (int n = first; n <= last; ++n)
            list.append(QString::number(value(n)));
        return list;
    }

private slots:
    void initTestCase()
    {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        QProcess probe;
        probe.start("/usr/bin/python3", { "-c", "import pymodbus.client" });
        QVERIFY2(probe.waitForFinished(30000) && probe.exitCode() == 0,
            "pymodbus (Debian's python3-pymodbus) is needed for /usr/bin/python3");
    }

    void pymodbusReadsAndWrites()
    {
        // Register n holds 40 * n + 3, except 222 (air temperature) = 0xFF38.
        auto reg = [](int n) { return n == 222 ? 0xFF38 : 40 * n + 3; };
        RegisterImage image;
        quint8 status[22], data[200];
        for (int n = 101; n <= 111; ++n) {
            status[2 * (n - 101)] = quint8(reg(n) >> 8);
            status[2 * (n - 101) + 1] = quint8(reg(n));
        }
        for (int n = 201; n <= 300; ++n) {
            data[2 * (n - 201)] = quint8(reg(n) >> 8);
            data[2 * (n - 201) + 1] = quint8(reg(n));
        }
        image.store(101, status, 11);
        image.store(201, data, 100);
        const QByteArray before = image.snapshot();

        GatewayServer server(image);
        QVERIFY(server.listen(0));
        QMap<QString, QStringList> got = runClient(server.serverPort());
        QVERIFY2(got.contains("DONE"), qPrintable(got.value("STDERR").join("")));

        QCOMPARE(got.value("HOLDING"), decimal(201, 300, reg));
        QCOMPARE(got.value("INPUT"), decimal(101, 111, reg) + decimal(201, 202, reg));
        QCOMPARE(got.value("AIR"), QStringList { "65336" });
        QCOMPARE(got.value("WRITE"), (QStringList { "200", "4660" }));
        QCOMPARE(got.value("PAST"), (QStringList { "ERROR", "2" }));
        // The write was acknowledged, not performed.
        QCOMPARE(image.snapshot(), before);

        // Without current station data every read is a device failure.
        image.setDataMissing(true);
        got = runClient(server.serverPort());
        QVERIFY2(got.contains("DONE"), qPrintable(got.value("STDERR").join("")));
        QCOMPARE(got.value("HOLDING"), (QStringList { "ERROR", "4" }));
        QCOMPARE(got.value("INPUT"), (QStringList { "ERROR", "4" }));
        QCOMPARE(got.value("WRITE"), (QStringList { "200", "4660" }));
    }
};

QTEST_GUILESS_MAIN(TestGatewayInterop)
#include "tst_gatewayinterop.moc"
