"""Drives the gateway with pymodbus's TCP client, a Modbus implementation none
of us wrote, and prints what it got, one line per request:
NAME v1 v2 ... for registers, NAME ADDRESS VALUE for a write, NAME ERROR CODE
for an exception reply. Usage: pymodbus_client.py HOST PORT"""
import logging
import sys

from pymodbus.client import ModbusTcpClient

logging.basicConfig(level=logging.CRITICAL)


def show(name, response, fields):
    if response.isError():
        print(name, "ERROR", getattr(response, "exception_code", "none"), flush=True)
    else:
        print(name, *fields(response), flush=True)


client = ModbusTcpClient(sys.argv[1], port=int(sys.argv[2]), timeout=3, retries=0)
if not client.connect():
    print("NOCONNECT", flush=True)
    sys.exit(1)
registers = lambda r: r.registers
show("HOLDING", client.read_holding_registers(200, 100, slave=1), registers)
show("INPUT", client.read_input_registers(100, 13, slave=7), registers)
show("WRITE", client.write_register(200, 0x1234, slave=1), lambda r: (r.address, r.value))
show("AIR", client.read_holding_registers(221, 1, slave=1), registers)
show("PAST", client.read_input_registers(250, 51, slave=1), registers)
client.close()
print("DONE", flush=True)
