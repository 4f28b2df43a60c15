#pragma once

#include <QByteArray>
#include <QMutex>

#include <atomic>
#include <functional>

// The raw registers of the last good reads, in wire order, shared between the
// acquisition thread (writer) and the gateway server (reader). Registers
// 101-111 are bytes 0-21, registers 201-300 bytes 22-221.
class RegisterImage
{
public:
    static constexpr int StatusFirst = 101;
    static constexpr int StatusCount = 11;
    static constexpr int DataFirst = 201;
    static constexpr int DataCount = 100;
    static constexpr int Size = 2 * (StatusCount + DataCount);

    RegisterImage();

    // Copies `count` registers (2 * count wire bytes) into the block chosen by
    // the first register: 101 selects the status block, anything else the data
    // block. Counts beyond the block are clipped.
    void store(int firstRegister, const quint8 *wireBytes, int count);

    QByteArray snapshot() const;
    // Takes a whole snapshot back; anything but Size bytes is ignored.
    void load(const QByteArray &wireBytes);

    // From holdData() to commitData(), stores into the data block wait aside
    // and readers go on seeing the bytes before; commitData() lets `edit`
    // change the waiting block's wire bytes, then puts it in place at once.
    // So readers never see the station's own bytes of a value the console
    // corrects or refuses.
    void holdData();
    void commitData(const std::function<void(quint8 *dataWire)> &edit);
    // Ends the hold without a change: the waiting block is dropped.
    void dropData();

    // Copies `length` bytes from `offset` into `out`; false when out of range.
    bool copy(int offset, int length, quint8 *out) const;

    bool dataMissing() const { return missing.load(); }
    void setDataMissing(bool value) { missing.store(value); }

    QMutex &mutex() const { return registerMutex; }

private:
    mutable QMutex registerMutex;
    quint8 bytes[Size];
    quint8 held[2 * DataCount];
    bool holding = false;
    std::atomic<bool> missing { false };
};
