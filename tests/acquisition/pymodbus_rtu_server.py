"""A Modbus RTU server from pymodbus, a Modbus implementation none of us
wrote, serving unit 1 with the pattern of pattern_registers.py.
Usage: pymodbus_rtu_server.py DEVICE"""
import logging
import sys

from pymodbus.server import StartSerialServer
from pymodbus.transaction import ModbusRtuFramer

from pattern_registers import pattern_context

logging.basicConfig(level=logging.CRITICAL)
context = pattern_context()
print("READY", flush=True)
StartSerialServer(context=context, framer=ModbusRtuFramer, port=sys.argv[1],
                  baudrate=19200, timeout=0.005)
