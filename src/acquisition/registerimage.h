#pragma once

#include <QByteArray>
#include <QMutex>

#include <atomic>

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

    // Copies `length` bytes from `offset` into `out`; false when out of range.
    bool copy(int offset, int length, quint8 *out) const;

    bool dataMissing() const { return missing.load(); }
    void setDataMissing(bool value) { missing.store(value); }

    QMutex &mutex() const { return registerMutex; }

private:
    mutable QMutex registerMutex;
    quint8 bytes[Size];
    std::atomic<bool> missing { false };
};
