#pragma once

#include "quantities.h"

#include <QtGlobal>

// The gateway republishes the station's registers. Once values are corrected
// or rejected, it must serve what every other consumer shows, so those
// quantities are written back into the wire bytes of the data block.
namespace quality {

// What a register says when there is no value to serve: the int16 minimum,
// outside every quantity's bounds, and a quiet NaN in a float32 pair.
constexpr quint16 NoValueWord = 0x8000;

// Writes `served` of each quantity in `which` into `dataWire`, the 200 wire
// bytes (big-endian) of registers 201-300, in the station's own scaling:
// tenths, hundredths for rain, float32 for solar radiation at
// `solarRegister` (245 or 247; 0 leaves solar radiation alone). A NaN
// becomes NoValueWord; a value beyond the register's range is held to it.
void encodeServed(quint8 *dataWire, const Readings &served, QuantitySet which, int solarRegister);

} // namespace quality
