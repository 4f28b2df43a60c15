#include "archive/archivestore.h"
#include "archive/raintotal.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace archive;

constexpr qint64 Noon = 1772798400; // 2026-03-06 12:00 UTC

class TestRainTotal : public QObject
{
    Q_OBJECT

private slots:
    void rainOfASpan()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("archive.sqlite"));
        QVERIFY(!rainTotal(file, Noon, Noon + 3600));
        QVERIFY(!QFileInfo::exists(file));
        // An hour of 0.1 mm a minute, one of 0.2 mm, one without a gauge.
        QVector<MinuteRow> rows;
        for (int i = 0; i < 180; ++i) {
            MinuteRow r;
            r.start = Noon + 60 * i;
            r.cycles = 60;
            r.rain = i < 60 ? 0.1 : i < 120 ? 0.2 : Missing;
            rows.append(r);
        }
        {
            ArchiveStore store;
            QCOMPARE(store.open(file), ArchiveStore::OpenResult::Ready);
            QVERIFY(store.insert(rows).ok);
        }
        QCOMPARE(*rainTotal(file, Noon + 3600, Noon + 7200), 12.0);
        QCOMPARE(*rainTotal(file, Noon + 7200 - 86400, Noon + 7200), 18.0);
        QCOMPARE(*rainTotal(file, Noon + 3540, Noon + 3660), 0.3);
        QVERIFY(!rainTotal(file, Noon + 7200, Noon + 10800));
        QVERIFY(!rainTotal(file, Noon - 3600, Noon));
    }
};

QTEST_GUILESS_MAIN(TestRainTotal)
#include "tst_raintotal.moc"
