#include "archive/archivesettings.h"
#include "archive/archivestore.h"
#include "consolewindow.h"
#include "history/historymodel.h"
#include "settings/syssettings.h"
#include "support/localportal.h"
#include "support/qmlmessages.h"
#include "support/syntheticweather.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtCharts/QXYSeries>
#include <QtTest>

#include <memory>

// The history view of the real main.qml over an archive holding the month
// before the injected clock's time.
using namespace qmlmessages;

class TestHistoryView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { keepPortalUploadsLocal(); }

    void init()
    {
        warnings.clear();
        previousHandler = qInstallMessageHandler(qmlmessages::record);

        folder = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<SysSettings>(folder->path());
        settings->setTemperatureUnits(0);
        settings->setPressureUnits(0);
        settings->setSpeedUnits(1);
        settings->setSerialPort(QStringLiteral("COM7"));
        {
            ArchiveStore store;
            QCOMPARE(store.open(archivePath(*settings)), ArchiveStore::OpenResult::Ready);
            QVector<archive::MinuteRow> minutes = syntheticMinutes(Now - 31 * 86400, 31 * 1440);
            minutes[PlantedMinute].solar = 1234;
            QVERIFY(store.insert(minutes).ok);
        }

        ui = std::make_unique<ConsoleWindow>(*settings);
        const auto clock = [] { return QDateTime::fromSecsSinceEpoch(Now); };
        ui->console.setClock(clock);
        history = std::make_unique<HistoryModel>(*settings, archivePath(*settings));
        history->setClock(clock);
        ui->console.plug(*history);
        QVERIFY(ui->load(history.get()));
        window = ui->window;
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    void cleanup()
    {
        ui.reset();
        history.reset();
        settings.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qInstallMessageHandler(previousHandler);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
    }

    void opensSwitchesRangesAndReturns()
    {
        QVERIFY(!find(window->contentItem(), QStringLiteral("historyView")));
        QTest::keyClick(window, Qt::Key_H, Qt::ControlModifier);
        QQuickItem *view = historyView();
        QVERIFY(view->isVisible());
        QVERIFY(!item("stack")->isVisible());

        // About one point per pixel of the plot, never more; the year holds
        // only the archived month.
        const int width = int(item("temperatureChart")->property("plotArea").toRectF().width());
        QString period = item("periodText")->property("text").toString();
        for (int range : { 1, 2, 3, 0 }) {
            const int before = series("temperatureLine")->count();
            QVERIFY(before <= width);
            QVERIFY(before > (history->range() == 3 ? 0 : width / 3));
            click(QStringLiteral("range%1").arg(range));
            QCOMPARE(history->range(), range);
            QVERIFY(item("periodText")->property("text").toString() != period);
            period = item("periodText")->property("text").toString();
            // Daily high and low only on the ranges longer than a week.
            QCOMPARE(series("dayHighLine")->count() > 0, range >= 2);
        }

        // A day back and forth again.
        click(QStringLiteral("previousButton"));
        QVERIFY(item("nextButton")->isEnabled());
        click(QStringLiteral("nextButton"));
        QVERIFY(!item("nextButton")->isEnabled());

        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!view->isVisible());
        QVERIFY(item("stack")->isVisible());

        // The dashboard's chart button opens it, the same button in the view returns.
        click(QStringLiteral("historyButton"));
        QVERIFY(view->isVisible());
        click(QStringLiteral("historyCloseButton"));
        QVERIFY(!view->isVisible());
    }

    void unitsFollowAtOnce()
    {
        QTest::keyClick(window, Qt::Key_H, Qt::ControlModifier);
        const QVector<QPointF> celsius = series("temperatureLine")->pointsVector();
        const QVector<QPointF> hPa = series("pressureLine")->pointsVector();
        QVERIFY(!celsius.isEmpty());

        settings->setTemperatureUnits(1);
        settings->setPressureUnits(2);
        const QVector<QPointF> fahrenheit = series("temperatureLine")->pointsVector();
        const QVector<QPointF> inHg = series("pressureLine")->pointsVector();
        QCOMPARE(fahrenheit.size(), celsius.size());
        for (int i = 0; i < celsius.size(); ++i) {
            QCOMPARE(fahrenheit.at(i).x(), celsius.at(i).x());
            QVERIFY(qAbs(fahrenheit.at(i).y() - (celsius.at(i).y() * 9 / 5 + 32)) < 1e-6);
            // The dashboard's factor.
            QVERIFY(qAbs(inHg.at(i).y() - hPa.at(i).y() * 0.0295333727) < 1e-6);
        }
        const QString title = item("temperatureChart")
                                  ->property("valueAxis")
                                  .value<QObject *>()
                                  ->property("titleText")
                                  .toString();
        QVERIFY(title.contains(QString::fromUtf8("°F")));
    }

    // The records page shows a planted record with its local time, and the
    // reports the month it fell in.
    void recordsPageAndReports()
    {
        QTRY_VERIFY(ui->console.records().ready());
        QTest::keyClick(window, Qt::Key_H, Qt::ControlModifier);
        QVERIFY(historyView());
        click(QStringLiteral("recordsButton"));
        QVERIFY(!item("temperatureChart")->isVisible());
        const qint64 planted = Now - 31 * 86400 + PlantedMinute * 60;
        const QString when
            = QDateTime::fromSecsSinceEpoch(planted).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        // The solar radiation's row, all time.
        QCOMPARE(item(QStringLiteral("recordCell%1").arg(int(records::Quantity::Solar) * 4 + 1))
                     ->property("text")
                     .toString(),
            QString::fromUtf8("1234 W/m²\n") + when);

        click(QStringLiteral("climateReportsButton"));
        const QString month = QLocale::c().toString(
            QDateTime::fromSecsSinceEpoch(Now).date(), QStringLiteral("MMM yyyy"));
        QTRY_VERIFY(
            item("reportText")
                ->property("text")
                .toString()
                .contains(QStringLiteral("MONTHLY CLIMATOLOGICAL SUMMARY for ") + month.toUpper()));
    }

    void readoutAndEmptyPeriod()
    {
        QTest::keyClick(window, Qt::Key_H, Qt::ControlModifier);
        QQuickItem *chart = item("temperatureChart");
        const QRectF plot = chart->property("plotArea").toRectF();
        const QPointF middle = chart->mapToScene(plot.center());
        // A touch reads out as a hover does.
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, middle.toPoint());
        QVERIFY(
            item("readout", chart)->property("text").toString().contains(QString::fromUtf8("°C")));
        QVERIFY(item("readout", chart)->property("text").toString().contains("Dew point"));

        // A month earlier than the archive reaches.
        click(QStringLiteral("range2"));
        click(QStringLiteral("previousButton"));
        click(QStringLiteral("previousButton"));
        QVERIFY(item("emptyText")->isVisible());
        QCOMPARE(item("emptyText")->property("text").toString(),
            QStringLiteral("No data for this period"));
    }

private:
    // 2026-03-06 14:05 UTC.
    static constexpr qint64 Now = 1772805900;
    static constexpr int PlantedMinute = 20000;

    QQuickItem *historyView()
    {
        auto *loader = window->findChild<QQuickItem *>(QStringLiteral("historyLoader"));
        return loader ? loader->property("item").value<QQuickItem *>() : nullptr;
    }

    // Through the visual tree: a Repeater's items are not QObject children
    // of the items they show in.
    static QQuickItem *find(QQuickItem *in, const QString &name)
    {
        for (QQuickItem *child : in->childItems()) {
            if (child->objectName() == name)
                return child;
            if (QQuickItem *found = find(child, name))
                return found;
        }
        return nullptr;
    }

    QQuickItem *item(const QString &name, QQuickItem *in = nullptr)
    {
        QQuickItem *found = find(in ? in : window->contentItem(), name);
        if (!found)
            qFatal("no item %s", qPrintable(name));
        return found;
    }

    QtCharts::QXYSeries *series(const QString &name)
    {
        auto *found = qobject_cast<QtCharts::QXYSeries *>(
            historyView()->property(qPrintable(name)).value<QObject *>());
        if (!found)
            qFatal("no series %s", qPrintable(name));
        return found;
    }

    void click(const QString &name)
    {
        QQuickItem *button = item(name);
        const QPointF centre
            = button->mapToScene(QPointF(button->width() / 2, button->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<SysSettings> settings;
    std::unique_ptr<ConsoleWindow> ui;
    std::unique_ptr<HistoryModel> history;
    QQuickWindow *window = nullptr;
};

QTEST_MAIN(TestHistoryView)
#include "tst_history.moc"
