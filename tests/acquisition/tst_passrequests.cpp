#include "acquisition/passrequests.h"

#include <QtTest>

#include <atomic>
#include <thread>

class TestPassRequests : public QObject
{
    Q_OBJECT

private slots:
    void restartNeverLeavesTheNewPassInterrupted()
    {
        // The acquisition side begins a pass the moment it sees a restart;
        // once it has, the interrupt of that restart must not come after.
        PassRequests requests;
        std::atomic<bool> done { false };
        std::atomic<int> passes { 0 };
        std::thread acquisition([&] {
            while (!done) {
                if (requests.restartRequested()) {
                    requests.beginPass();
                    ++passes;
                }
            }
        });
        int stale = 0;
        for (int i = 0; i < 20000; ++i) {
            const int before = passes;
            requests.requestRestart();
            while (passes == before)
                std::this_thread::yield();
            if (!requests.restartRequested() && requests.interrupt()->load())
                ++stale;
        }
        done = true;
        acquisition.join();
        QCOMPARE(stale, 0);
    }

    void stopCountsOnlyForAStartingOrRunningRun()
    {
        PassRequests requests;
        QVERIFY(!requests.requestStop()); // nothing started

        QVERIFY(requests.starting());
        QVERIFY(requests.requestStop()); // before the run began: kept
        requests.runBegins();
        QVERIFY(requests.stopRequested());
        QVERIFY(requests.interrupt()->load());
        requests.runEnds();

        QVERIFY(!requests.requestStop()); // lands as the run winds down
        QVERIFY(requests.idle());
        QVERIFY(requests.starting());
        requests.runBegins();
        QVERIFY(!requests.stopRequested());
        QVERIFY(!requests.beginPass());
        QVERIFY(!requests.interrupt()->load());
    }
};

QTEST_GUILESS_MAIN(TestPassRequests)
#include "tst_passrequests.moc"
