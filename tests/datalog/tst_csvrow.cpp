#include "datalog/csvrow.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QtTest>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

using namespace csvrow;

class TestCsvRow : public QObject
{
    Q_OBJECT

private slots:
    void headerIsTheThirtyColumnLine();
    void doublesInGeneralNotation_data();
    void doublesInGeneralNotation();
    void doublesMatchCLocalePrintf();
    void wholeRowInColumnOrder();
    void timestampIsUtc();
    void decimalCommaLocaleChangesNothing();
    void lastRowOfTail_data();
    void lastRowOfTail();
    void leadingInteger_data();
    void leadingInteger();
    void garbageTailsNeverCrash();
};

void TestCsvRow::headerIsTheThirtyColumnLine()
{
    const QByteArray expected
        = "Index,Date/Time (UTC),Wind,Direction,Wind 2 min,Direction 2 min,Wind 10 min,"
          "Direction 10 min,Gust,Gust Direction,WDS Status,Temperature,Humidity,Pressure,"
          "Pressure Temperature,Trend,TPH Status,Rain Inc,Rain Day,Rain Rate,Analog 1,"
          "Analog 2,Battery Voltage,Input Voltage,Charger Status,CM Temperature,"
          "Lightning Strikes,Lightning Distance,Lightning Noise,Lightning Disturber"
        + QByteArray(LineEnd);
    QCOMPARE(csvHeader(), expected);
    QCOMPARE(csvHeader().count(','), 29);
}

void TestCsvRow::doublesInGeneralNotation_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("1013.25") << 1013.25 << QByteArray("1013.25");
    QTest::newRow("inHg") << 29.924689888 << QByteArray("29.9247");
    QTest::newRow("sentinel") << -999.0 << QByteArray("-999");
    QTest::newRow("zero") << 0.0 << QByteArray("0");
    QTest::newRow("negative zero") << -0.0 << QByteArray("-0");
    QTest::newRow("no trailing zeros") << 12.30 << QByteArray("12.3");
    QTest::newRow("tenths") << 1013.2 << QByteArray("1013.2");
    QTest::newRow("rain difference") << (2.40 - 2.35) << QByteArray("0.05");
    QTest::newRow("largest plain") << 999999.0 << QByteArray("999999");
    QTest::newRow("1e6") << 1e6 << QByteArray("1e+06");
    QTest::newRow("rounds up to 1e6") << 999999.5 << QByteArray("1e+06");
    // Exactly half in binary: printf rounds to even, a decimal-string rounder would not.
    QTest::newRow("half to even") << 123456.5 << QByteArray("123456");
    QTest::newRow("large") << 1234567.0 << QByteArray("1.23457e+06");
    QTest::newRow("smallest plain") << 0.0001 << QByteArray("0.0001");
    QTest::newRow("small") << 1.234567e-05 << QByteArray("1.23457e-05");
    QTest::newRow("1e-5") << 1e-5 << QByteArray("1e-05");
    QTest::newRow("three-digit exponent") << 1.5e300 << QByteArray("1.5e+300");
    QTest::newRow("negative small") << -2.5e-7 << QByteArray("-2.5e-07");
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << QByteArray("inf");
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << QByteArray("nan");
}

void TestCsvRow::doublesInGeneralNotation()
{
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    QCOMPARE(formatDouble(value), text);
}

void TestCsvRow::doublesMatchCLocalePrintf()
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "C");
    QRandomGenerator random(20260306);
    for (int i = 0; i < 20000; ++i) {
        const double mantissa = random.generateDouble() * 2 - 1;
        const int exponent = random.bounded(-12, 12);
        double value = mantissa * std::pow(10.0, exponent);
        if (i % 3 == 0)
            value = std::round(value * 100) / 100; // station-like values
        char expected[64];
        std::snprintf(expected, sizeof expected, "%g", value);
        QCOMPARE(formatDouble(value), QByteArray(expected));
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

static LogRow sampleRow()
{
    LogRow r;
    r.wind = 3.6;
    r.windDir = 247;
    r.wind2 = 4.1;
    r.windDir2 = 250;
    r.wind10 = 5.2;
    r.windDir10 = 261;
    r.windGust = 9.7;
    r.windDirGust = 270;
    r.wdsStatus = 3;
    r.airTemp = 21.4 * 1.8 + 32;
    r.humidity = 55.5;
    r.pressure = 1013.25 * 0.0295333727;
    r.pressureTemp = 23;
    r.pressureTrend = -2;
    r.tphStatus = 1;
    r.rainInc = 2.40 - 2.35;
    r.rainDay = 2.4;
    r.rainRate = 1.2;
    r.analog1 = 200;
    r.analog2 = 1.234567e-05;
    r.batteryVoltage = 131;
    r.inputVoltage = 140;
    r.chargerStatus = 2;
    r.cmTemperature = 0;
    r.lightningStrikes = 12;
    r.lightningDistance = 12 * 0.62137119;
    r.lightningNoise = 6;
    r.lightningDisturbers = -1;
    return r;
}

void TestCsvRow::wholeRowInColumnOrder()
{
    const QDateTime at(QDate(2026, 3, 6), QTime(21, 59, 30), Qt::UTC);
    const QByteArray expected = "58,2026-03-06 21:59:30,3.6,247,4.1,250,5.2,261,9.7,270,3,70.52,"
                                "55.5,29.9247,23,-2,1,0.05,2.4,1.2,200,1.23457e-05,131,140,2,0,12,"
                                "7.45645,6,-1"
        + QByteArray(LineEnd);
    const QByteArray row = formatCsvRow(58, at, sampleRow());
    QCOMPARE(row, expected);
    QCOMPARE(row.count(','), 29);
}

void TestCsvRow::timestampIsUtc()
{
    // 00:00:10 at UTC+2 is still the previous day in UTC.
    const QDateTime local(QDate(2026, 3, 7), QTime(0, 0, 10), Qt::OffsetFromUTC, 2 * 3600);
    QVERIFY(formatCsvRow(1, local, LogRow()).startsWith("1,2026-03-06 22:00:10,"));
    const QDateTime early(QDate(987, 1, 2), QTime(3, 4, 5), Qt::UTC);
    QVERIFY(formatCsvRow(-3, early, LogRow()).startsWith("-3,0987-01-02 03:04:05,"));
}

void TestCsvRow::decimalCommaLocaleChangesNothing()
{
    const QDateTime at(QDate(2026, 3, 6), QTime(12, 0, 0), Qt::UTC);
    const QByteArray before = formatCsvRow(7, at, sampleRow());

    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
        QSKIP("no de_DE locale on this machine");
    const QLocale savedDefault;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    char probe[32];
    std::snprintf(probe, sizeof probe, "%g", 21.4);
    const QByteArray underGerman = formatCsvRow(7, at, sampleRow());
    std::setlocale(LC_ALL, saved.c_str());
    QLocale::setDefault(savedDefault);

    // The locale does bite printf, so the comparison below means something.
    QCOMPARE(QByteArray(probe), QByteArray("21,4"));
    QCOMPARE(underGerman, before);
    QCOMPARE(underGerman.count(','), 29);
}

void TestCsvRow::lastRowOfTail_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<bool>("wholeFile");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("field");

    const QByteArray header = "Index,Date/Time (UTC),Wind\n";
    const int found = LastRow::Found;
    const int noLf = LastRow::NoFinalLineFeed;
    const int before = LastRow::StartsBeforeTail;
    QTest::newRow("empty") << QByteArray() << true << noLf << QByteArray();
    QTest::newRow("header only") << header << true << found << QByteArray("Index");
    QTest::newRow("row 57") << header + "56,a,b\n57,2026-03-06 10:00:00,1.5\n"
                            << true << found << QByteArray("57");
    QTest::newRow("no final line feed") << header + "57,2026" << true << noLf << QByteArray();
    QTest::newRow("carriage return only") << header + "57,x\r" << true << noLf << QByteArray();
    QTest::newRow("crlf") << QByteArray("Index,x\r\n57,x\r\n") << true << found << QByteArray("57");
    QTest::newRow("no comma") << header + "123\n" << true << found << QByteArray("123");
    QTest::newRow("no comma crlf") << header + "123\r\n" << true << found << QByteArray("123\r");
    QTest::newRow("empty last line") << header + "57,x\n\n" << true << found << QByteArray();
    QTest::newRow("lone line feed") << QByteArray("\n") << true << found << QByteArray();
    QTest::newRow("single line, no header")
        << QByteArray("9,x\n") << true << found << QByteArray("9");
    QTest::newRow("tail cut inside earlier line")
        << QByteArray("0,y,z\n2048,x\n") << false << found << QByteArray("2048");
    QTest::newRow("last line longer than tail")
        << QByteArray("48,x,y,z\n") << false << before << QByteArray();
    QTest::newRow("lone line feed, not whole")
        << QByteArray("\n") << false << before << QByteArray();
}

void TestCsvRow::lastRowOfTail()
{
    QFETCH(QByteArray, tail);
    QFETCH(bool, wholeFile);
    QFETCH(int, status);
    QFETCH(QByteArray, field);
    const LastRow last = lastRow(tail, wholeFile);
    QCOMPARE(int(last.status), status);
    QCOMPARE(last.field, field);
}

void TestCsvRow::leadingInteger_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QByteArray("57") << 57;
    QTest::newRow("blanks and tail") << QByteArray(" \t 42abc") << 42;
    QTest::newRow("negative") << QByteArray("-5") << -5;
    QTest::newRow("plus") << QByteArray("+7") << 7;
    QTest::newRow("word") << QByteArray("Index") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("sign alone") << QByteArray("-") << 0;
    QTest::newRow("blank after sign") << QByteArray("- 3") << 0;
    QTest::newRow("stops at blank") << QByteArray("12 3") << 12;
    QTest::newRow("carriage return") << QByteArray("123\r") << 123;
    QTest::newRow("huge") << QByteArray("99999999999999999999") << std::numeric_limits<int>::max();
    QTest::newRow("huge negative")
        << QByteArray("-99999999999") << -std::numeric_limits<int>::max();
}

void TestCsvRow::leadingInteger()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(csvrow::leadingInteger(text), value);
}

void TestCsvRow::garbageTailsNeverCrash()
{
    QRandomGenerator random(7);
    const char alphabet[] = { '\n', ',', '\r', '0', '5', '-', ' ', 'x', '\0', char(0xff) };
    for (int i = 0; i < 5000; ++i) {
        QByteArray tail;
        const int length = random.bounded(0, 40);
        for (int k = 0; k < length; ++k)
            tail.append(alphabet[random.bounded(int(sizeof alphabet))]);
        const LastRow last = lastRow(tail, random.bounded(2) == 1);
        if (last.status == LastRow::Found) {
            QVERIFY(tail.endsWith('\n'));
            QVERIFY(!last.field.contains(','));
            QVERIFY(!last.field.contains('\n'));
            QVERIFY(tail.endsWith(last.field + '\n') || tail.contains(last.field + ','));
        }
        csvrow::leadingInteger(tail);
    }
}

QTEST_GUILESS_MAIN(TestCsvRow)
#include "tst_csvrow.moc"
