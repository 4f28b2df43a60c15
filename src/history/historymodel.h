#pragma once

#include "acquisition/service.h"
#include "archive/historyseries.h"
#include "record/units.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointF>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <functional>

// The history graphs' face to QML ("History"): picks the period, reads the
// archive folded to about one point per pixel, converts to the display units
// of the moment and fills the chart series in one call each. Opens the
// archive read-only for each load, so it holds nothing while the view is shut.
// A service for its settings (the units); it takes no cycles, only the
// archive's word that new minutes are in.
class HistoryModel : public QObject, public Service
{
    Q_OBJECT

    Q_PROPERTY(int range READ range WRITE setRange NOTIFY rangeChanged)
    Q_PROPERTY(QStringList rangeNames READ rangeNames CONSTANT)
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(double fromTime READ fromTime NOTIFY loaded)
    Q_PROPERTY(double toTime READ toTime NOTIFY loaded)
    Q_PROPERTY(bool hasNext READ hasNext NOTIFY loaded)
    Q_PROPERTY(bool empty READ empty NOTIFY loaded)
    Q_PROPERTY(bool dailyBands READ dailyBands NOTIFY loaded)
    Q_PROPERTY(bool rainPerDay READ rainPerDay NOTIFY loaded)
    Q_PROPERTY(QString rainUnit READ rainUnit NOTIFY loaded)
    Q_PROPERTY(bool stationPressure READ stationPressure NOTIFY loaded)

public:
    using Clock = std::function<QDateTime()>;

    enum Range
    {
        Day,
        Week,
        Month,
        Year
    };
    Q_ENUM(Range)

    // Starts with the units `settings` holds now; `archiveFile` is read,
    // never written.
    HistoryModel(
        const SettingsReader &settings, const QString &archiveFile, QObject *parent = nullptr);

    void takeCycle(const CyclePtr &) override { }
    void readSettings(const SettingsReader &settings) override;
    // New units: the series are rebuilt in them.
    void setUnits(const DisplayUnits &units);

    void setClock(const Clock &clock) { now = clock; }

    int range() const { return rangeIndex; }
    void setRange(int range);
    QStringList rangeNames() const;
    bool active() const { return isActive; }
    void setActive(bool active);

    double fromTime() const { return double(from) * 1000; }
    double toTime() const { return double(to) * 1000; }
    bool hasNext() const { return !following; }
    bool empty() const { return buckets.isEmpty(); }
    bool dailyBands() const { return rangeIndex > Week; }
    bool rainPerDay() const { return rangeIndex > Week; }
    QString rainUnit() const;
    // The pressure shown is the station's rather than the sea-level one.
    bool stationPressure() const;

    // Reads the period for a chart `points` pixels wide; emits loaded().
    Q_INVOKABLE void load(int points);
    Q_INVOKABLE void previous();
    Q_INVOKABLE void next();
    Q_INVOKABLE void latest();

    // Replaces the points of a chart series (a QXYSeries) with the named
    // series of the period in display units; false when it has none.
    Q_INVOKABLE bool fill(QObject *series, const QString &name) const;
    // [low, high] for a chart's value axis: "temp", "hum", "press", "wind",
    // "rain", "rainTotal", "solar".
    Q_INVOKABLE QVariantList axis(const QString &chart) const;
    Q_INVOKABLE bool hasData(const QString &chart) const;
    // The values at a time (ms since the epoch), display units; a value with
    // no data there is left out.
    Q_INVOKABLE QVariantMap valuesAt(double msecs) const;

    // The named series in display units (what fill() puts in a chart).
    QVector<QPointF> points(const QString &name) const;

signals:
    void rangeChanged();
    void activeChanged();
    void loaded();

public slots:
    // New minutes: a view showing the latest period reads it again.
    void archiveChanged();

private:
    qint64 span() const;
    void rebuild();
    void addPoint(const QString &name, qint64 at, double value);

    DisplayUnits units;
    QString file;
    Clock now;
    int rangeIndex = Day;
    bool isActive = false;
    bool following = true;
    int lastPoints = 0;
    int bucket = 60;
    qint64 from = 0, to = 0; // the period shown

    // Each bucket's values in display units, for the readout.
    struct Reading
    {
        double temp, dew, hum, press, wind, gust, solar;
    };

    QVector<archive::Bucket> buckets;
    QVector<Reading> readings;
    QVector<archive::Period> periods;
    QVector<archive::Period> days;
    QHash<QString, QVector<QPointF>> series;
};
