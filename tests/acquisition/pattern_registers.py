"""The register pattern the pymodbus servers serve to unit 1: register n
(numbered from 1) holds n * 3 + 7, except 222 (air temperature) = 0xFF38,
-20.0 C. Registers past 400 do not exist."""
from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)


def pattern_context():
    values = [(n * 3 + 7) & 0xFFFF for n in range(1, 401)]
    values[222 - 1] = 0xFF38
    block = ModbusSequentialDataBlock(0, values)
    store = ModbusSlaveContext(hr=block, ir=block, zero_mode=True)
    return ModbusServerContext(slaves={1: store}, single=False)
