"""A Modbus RTU server from pymodbus, a Modbus implementation none of us
wrote, serving unit 1 with a known register pattern: register n (numbered
from 1) holds n * 3 + 7, except 222 (air temperature) = 0xFF38, -20.0 C.
Usage: pymodbus_rtu_server.py DEVICE"""
import logging
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartSerialServer
from pymodbus.transaction import ModbusRtuFramer

logging.basicConfig(level=logging.CRITICAL)

values = [(n * 3 + 7) & 0xFFFF for n in range(1, 401)]
values[222 - 1] = 0xFF38
block = ModbusSequentialDataBlock(0, values)
store = ModbusSlaveContext(hr=block, ir=block, zero_mode=True)
context = ModbusServerContext(slaves={1: store}, single=False)
print("READY", flush=True)
StartSerialServer(context=context, framer=ModbusRtuFramer, port=sys.argv[1],
                  baudrate=19200, timeout=0.005)
