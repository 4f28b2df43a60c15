#include "registerimage.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>

RegisterImage::RegisterImage()
{
    std::memset(bytes, 0, sizeof bytes);
    std::memset(held, 0, sizeof held);
}

void RegisterImage::store(int firstRegister, const quint8 *wireBytes, int count)
{
    const bool status = firstRegister == StatusFirst;
    const int offset = status ? 0 : 2 * StatusCount;
    const int room = status ? StatusCount : DataCount;
    const int n = std::clamp(count, 0, room);
    QMutexLocker locker(&registerMutex);
    std::memcpy(!status && holding ? held : bytes + offset, wireBytes, std::size_t(2 * n));
}

void RegisterImage::holdData()
{
    QMutexLocker locker(&registerMutex);
    std::memcpy(held, bytes + 2 * StatusCount, sizeof held);
    holding = true;
}

void RegisterImage::commitData(const std::function<void(quint8 *dataWire)> &edit)
{
    QMutexLocker locker(&registerMutex);
    if (!holding)
        return;
    if (edit)
        edit(held);
    std::memcpy(bytes + 2 * StatusCount, held, sizeof held);
    holding = false;
}

QByteArray RegisterImage::snapshot() const
{
    QMutexLocker locker(&registerMutex);
    return QByteArray(reinterpret_cast<const char *>(bytes), Size);
}

void RegisterImage::load(const QByteArray &wireBytes)
{
    if (wireBytes.size() != Size)
        return;
    QMutexLocker locker(&registerMutex);
    std::memcpy(bytes, wireBytes.constData(), Size);
}

bool RegisterImage::copy(int offset, int length, quint8 *out) const
{
    if (offset < 0 || length < 0 || offset + length > Size)
        return false;
    QMutexLocker locker(&registerMutex);
    std::memcpy(out, bytes + offset, std::size_t(length));
    return true;
}

void RegisterImage::dropData()
{
    QMutexLocker locker(&registerMutex);
    holding = false;
}
