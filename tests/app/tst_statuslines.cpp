#include "app/statuslines.h"

#include <QtTest>

// What a console without a window says about its station link: little, and
// each run of failures once.
class TestStatusLines : public QObject
{
    Q_OBJECT

    StatusLines status;
    const QString link = QStringLiteral("serial port /dev/ttyUSB0 at 19200 baud");

    QStringList take(StationCycle::Kind kind, bool firstOfPass = false)
    {
        StationCycle cycle;
        cycle.kind = kind;
        cycle.firstOfPass = firstOfPass;
        return status.take(cycle, [this] { return link; });
    }

    using K = StationCycle::Kind;

private slots:
    void init() { status = StatusLines(); }

    void goodStartThenASilentStationReopenedMany()
    {
        QCOMPARE(take(K::Good, true),
            QStringList({ "Station link open (serial port /dev/ttyUSB0 at 19200 baud)",
                "First good reading from the station" }));
        QCOMPARE(take(K::Good), QStringList());
        QCOMPARE(take(K::Failed),
            QStringList({ "No reading from the station; further failures "
                          "are not reported until it answers" }));
        // Ten failures reopen the link, again and again: nothing new to say.
        for (int pass = 0; pass < 3; ++pass) {
            for (int i = 0; i < 9; ++i)
                QCOMPARE(take(K::Failed, pass > 0 && i == 0), QStringList());
        }
        QCOMPARE(
            take(K::Good, true), QStringList { "Station readings back after 28 failed cycles" });
        QCOMPARE(take(K::Good), QStringList());
    }

    void portMissingAtStartThenFound()
    {
        QCOMPARE(take(K::NoLink),
            QStringList { "Cannot open the station link (serial port /dev/ttyUSB0 at "
                          "19200 baud); retrying" });
        QCOMPARE(take(K::NoLink), QStringList());
        // Open at last, but the station is silent at first: told once.
        QCOMPARE(take(K::Failed, true),
            QStringList { "Station link open (serial port /dev/ttyUSB0 at 19200 baud)" });
        QCOMPARE(take(K::Failed), QStringList());
        QCOMPARE(take(K::Failed, true), QStringList());
        QCOMPARE(take(K::Good), QStringList { "First good reading from the station" });
    }

    void linkLostInARunIsToldOpenAgain()
    {
        take(K::Good, true);
        QCOMPARE(take(K::Failed).size(), 1);
        QCOMPARE(take(K::NoLink), QStringList()); // the same run
        QCOMPARE(take(K::NoLink), QStringList());
        QCOMPARE(take(K::Good, true),
            QStringList({ "Station link open (serial port /dev/ttyUSB0 at 19200 baud)",
                "Station readings back after 3 failed cycles" }));
        // The next run starts afresh.
        QCOMPARE(take(K::NoLink).size(), 1);
    }
};

QTEST_APPLESS_MAIN(TestStatusLines)
#include "tst_statuslines.moc"
