#include "datalog/logtrigger.h"

#include <QtTest>

class TestLogTrigger : public QObject
{
    Q_OBJECT

private slots:
    void firstCycleThenEveryInterval();
    void disabledCyclesDoNotCount();
    void intervalBelowOneWritesEveryCycle();
    void intervalChangeTakesEffectAtOnce();
    void resetStartsAPassAfresh();

private:
    // The 1-based cycles out of `cycles` on which a row is due.
    static QList<int> dueCycles(LogTrigger &trigger, int cycles, int interval)
    {
        QList<int> due;
        for (int c = 1; c <= cycles; ++c) {
            if (trigger.due(true, interval))
                due.append(c);
        }
        return due;
    }
};

void TestLogTrigger::firstCycleThenEveryInterval()
{
    LogTrigger t;
    QCOMPARE(dueCycles(t, 1300, 600), QList<int>({ 1, 601, 1201 }));
    LogTrigger two;
    QCOMPARE(dueCycles(two, 7, 2), QList<int>({ 1, 3, 5, 7 }));
    LogTrigger one;
    QCOMPARE(dueCycles(one, 3, 1), QList<int>({ 1, 2, 3 }));
}

void TestLogTrigger::disabledCyclesDoNotCount()
{
    LogTrigger t;
    QVERIFY(t.due(true, 3)); // cycle 1
    QVERIFY(!t.due(true, 3));
    for (int i = 0; i < 50; ++i)
        QVERIFY(!t.due(false, 3));
    // Two enabled cycles done; the third enabled cycle after the first row writes.
    QVERIFY(!t.due(true, 3));
    QVERIFY(t.due(true, 3));
}

void TestLogTrigger::intervalBelowOneWritesEveryCycle()
{
    LogTrigger zero;
    QCOMPARE(dueCycles(zero, 4, 0), QList<int>({ 1, 2, 3, 4 }));
    LogTrigger negative;
    QCOMPARE(dueCycles(negative, 4, -5), QList<int>({ 1, 2, 3, 4 }));
}

void TestLogTrigger::intervalChangeTakesEffectAtOnce()
{
    LogTrigger t;
    QCOMPARE(dueCycles(t, 10, 600), QList<int>({ 1 }));
    // Ten cycles counted: the next multiple of 4 is two cycles away, then every 4.
    QCOMPARE(dueCycles(t, 7, 4), QList<int>({ 3, 7 }));
}

void TestLogTrigger::resetStartsAPassAfresh()
{
    LogTrigger t;
    QCOMPARE(dueCycles(t, 3, 600), QList<int>({ 1 }));
    t.reset();
    QVERIFY(t.due(true, 600));
}

QTEST_GUILESS_MAIN(TestLogTrigger)
#include "tst_logtrigger.moc"
