#include "display/displayquantities.h"
#include "display/stationdisplay.h"
#include "support/samplestation.h"

#include <QFile>
#include <QJSEngine>
#include <QMetaProperty>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

// The station as the dashboards show it, and the same from C++ for the web.
class TestStationDisplay : public QObject
{
    Q_OBJECT

private slots:
    // The same text as the dashboards' own formatter, for the values it is
    // tested with and for random ones.
    void fixedWritesAsTheDashboards()
    {
        QFile file(QStringLiteral(QML_SOURCE_DIR "/dashboard/Format.js"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QJSEngine js;
        js.evaluate(QString::fromUtf8(file.readAll()).remove(QStringLiteral(".pragma library")));
        QJSValue fixed = js.globalObject().property(QStringLiteral("fixed"));
        QVERIFY(fixed.isCallable());
        QList<double> values { -0.04, 0.05, -0.05, 2.675, 1.005, 0.449, 2.5, -2.5, 9.995, 99.96, 5,
            0, -0.0, 21.4 * 1.8 + 32, 1.5e-7, 5e-7, 1e21, -999, 1013.25 * 0.0295333727 };
        QRandomGenerator random(7);
        for (int i = 0; i < 2000; ++i)
            values << std::round((random.generateDouble() - 0.5) * 4e6) / 1000;
        for (double value : qAsConst(values))
            for (int decimals : { 0, 1, 2, 3, 6 })
                QCOMPARE(
                    display::fixed(value, decimals), fixed.call({ value, decimals }).toString());
    }

    void shownInTheDisplayUnits()
    {
        StationValues v = sampleValues(); // 21.4 °C, 1015.0 hPa
        v.rainUnits = 2;
        v.rainDay = 0.5;
        v.heatIndex = StationValues::NotAvailable;
        v.airTempH = StationValues::NoHigh;
        DisplayUnits units; // °F, inHg, mph
        const auto shown = [&](const char *name) {
            for (const display::Shown &s : display::show(v, units))
                if (s.name == QLatin1String(name))
                    return s;
            return display::Shown();
        };
        QCOMPARE(shown("airTemp").text, QStringLiteral("70.5"));
        QCOMPARE(shown("airTemp").unit, QStringLiteral("°F"));
        QCOMPARE(shown("pressure").text, QStringLiteral("29.98"));
        QCOMPARE(shown("rainDay").text, QStringLiteral("0.50"));
        QCOMPARE(shown("rainDay").unit, QStringLiteral("in"));
        QCOMPARE(shown("airTempH").text, QStringLiteral("--"));
        QCOMPARE(shown("heatIndex").text, QStringLiteral("N/A"));
        QVERIFY(!shown("heatIndex").available);
        units.pressure = PressureUnit::Millibar;
        QCOMPARE(shown("pressure").text, QStringLiteral("1015.0"));
        v.rainUnits = 0;
        QCOMPARE(shown("rainDay").text, QStringLiteral("--"));
    }

    // Every number QML reads is one row of the table, and every row is read.
    void everyNumberHasItsRow()
    {
        const QMetaObject &meta = StationDisplay::staticMetaObject;
        int numbers = 0;
        for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
            const QMetaProperty p = meta.property(i);
            if (p.type() != QVariant::Double && p.type() != QVariant::Int)
                continue;
            ++numbers;
            QVERIFY2(display::quantity(p.name()), p.name());
        }
        QCOMPARE(numbers, display::quantities().size());
    }

    // What the services report reaches the pages' properties, each signal once.
    void serviceReportsReachThePages()
    {
        StationDisplay shown;
        QSignalSpy gateway(&shown, &StationDisplay::gatewayStateChanged);
        QSignalSpy clients(&shown, &StationDisplay::recentClientsChanged);
        QSignalSpy due(&shown, &StationDisplay::sendToQuorinLive);
        QCOMPARE(shown.lastQuorinLive(), QStringLiteral("Never"));
        const QVariantMap listening { { "listening", true }, { "state", "Listening on port 502" },
            { "hint", "" }, { "clients", QStringList() } };
        shown.setStatus(QStringLiteral("gateway"), listening);
        shown.setStatus(QStringLiteral("gateway"), listening);
        QCOMPARE(gateway.count(), 1);
        QCOMPARE(clients.count(), 0);
        QVERIFY(shown.gatewayListening());
        QCOMPARE(shown.gatewayState(), QStringLiteral("Listening on port 502"));
        shown.setStatus(QStringLiteral("upload"), { { "lastUpload", "Never" }, { "uploads", 1 } });
        shown.setStatus(QStringLiteral("upload"), { { "lastUpload", "Mon" }, { "uploads", 1 } });
        QCOMPARE(due.count(), 1);
        QCOMPARE(shown.lastQuorinLive(), QStringLiteral("Mon"));
        QCOMPARE(shown.services().value("upload").toMap().value("uploads").toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestStationDisplay)
#include "tst_stationdisplay.moc"
