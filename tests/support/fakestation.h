#pragma once

#include "acquisition/registerimage.h"
#include "acquisition/stationlink.h"

#include <QMutex>
#include <QMutexLocker>
#include <QThread>

#include <atomic>

// A scripted station for tests of the acquisition thread, without a port:
// install it with QModbus::setLinkFactory(fakeStationFactory(station)).

// Shared between the test and the link the acquisition thread is using.
struct FakeStation
{
    QMutex mutex;
    bool openOk = true;
    int opens = 0;
    bool lost = false;
    int statusResult = 11;
    int dataResult = 100;
    bool hang = false; // a transaction that only an interrupt ends
    int transactions = 0;
    quint16 status[11] = {};
    quint16 data[100] = {};

    void setData(int reg, quint16 value) { data[reg - 201] = value; }
    void setStatus(int reg, quint16 value) { status[reg - 101] = value; }
    int openCount()
    {
        QMutexLocker l(&mutex);
        return opens;
    }
    int transactionCount()
    {
        QMutexLocker l(&mutex);
        return transactions;
    }
};

class FakeLink : public StationLink
{
public:
    FakeLink(FakeStation &scripted, RegisterImage &registers, const std::atomic<bool> *stop)
        : station(scripted)
        , image(registers)
        , interrupt(stop)
    {
    }

    bool open(const SysSettings &) override
    {
        QMutexLocker l(&station.mutex);
        ++station.opens;
        return station.openOk;
    }

    int readRegisters(quint8, quint8, int first, int count, quint16 *destination) override
    {
        bool hang;
        {
            QMutexLocker l(&station.mutex);
            ++station.transactions;
            hang = station.hang;
        }
        if (hang) {
            while (!interrupt->load())
                QThread::msleep(5);
            return -1;
        }
        QMutexLocker l(&station.mutex);
        const bool statusBlock = first == 101;
        const int result = statusBlock ? station.statusResult : station.dataResult;
        if (result != count)
            return result;
        const quint16 *words = statusBlock ? station.status : station.data;
        quint8 wire[200];
        for (int i = 0; i < count; ++i) {
            destination[i] = words[i];
            wire[2 * i] = quint8(words[i] >> 8);
            wire[2 * i + 1] = quint8(words[i]);
        }
        image.store(first, wire, count);
        return count;
    }

    void close() override { }
    bool isLost() const override
    {
        QMutexLocker l(&station.mutex);
        return station.lost;
    }

private:
    FakeStation &station;
    RegisterImage &image;
    const std::atomic<bool> *interrupt;
};

inline auto fakeStationFactory(FakeStation &station)
{
    return [&station](bool, RegisterImage &image, const std::atomic<bool> *interrupt) {
        return std::unique_ptr<StationLink>(new FakeLink(station, image, interrupt));
    };
}
