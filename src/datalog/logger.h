#pragma once

#include <QObject>
#include <QString>

#include <atomic>

class QModbus;

// Appends one row to the day's CSV file per call: open, one write, close. No
// handle stays open between rows, so the file may be moved or deleted freely.
// Runs on the acquisition thread, which is the only writer of what it reads.
class Logger : public QObject
{
    Q_OBJECT

public:
    explicit Logger(QObject *parent = nullptr);

    // Registered once at start-up; until then a row is never written.
    static void setDataSource(QModbus *source);
    static QModbus *dataSource();

    // How much of a file's end the index recovery reads at most; a last line
    // longer than that leaves the running index as it is.
    static constexpr int MaxTailBytes = 64 * 1024;

    int nextIndex() const { return rowIndex; }

public slots:
    void writeLogData();

private:
    void recoverIndex(const QString &path);
    void reportFailure(const QString &path, const QString &reason);

    static std::atomic<QModbus *> source;

    int rowIndex = 1;
    // Rain taken from the source for a row that never reached the disk; it
    // belongs to the next row that does.
    double pendingRain = 0;
    bool failing = false;
};
