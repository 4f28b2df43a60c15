#pragma once

#include "rtumaster.h"
#include "serialport.h"
#include "stationlink.h"

#include <memory>

// The station over Modbus RTU on the platform's serial port.
class RtuLink : public StationLink
{
public:
    RtuLink(RegisterImage &image, const std::atomic<bool> *abortFlag);
    ~RtuLink() override;

    bool open(const SysSettings &settings) override;
    QString openFailure() const override { return failure; }
    int readRegisters(
        quint8 unit, quint8 function, int firstRegister, int count, quint16 *destination) override;
    void close() override;
    bool isLost() const override;

private:
    std::unique_ptr<SerialPort> port;
    RtuMaster master;
    QString failure;
};
