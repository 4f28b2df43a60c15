"""A Modbus TCP server from pymodbus, a Modbus implementation none of us
wrote, serving unit 1 on 127.0.0.1 with a known register pattern: register n
(numbered from 1) holds n * 3 + 7, except 222 (air temperature) = 0xFF38,
-20.0 C. Registers past 400 do not exist. Listens on a free port and prints
"PORT <n>" once it accepts connections.
Usage: pymodbus_tcp_server.py"""
import asyncio
import logging

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server.async_io import ModbusTcpServer
from pymodbus.transaction import ModbusSocketFramer

logging.basicConfig(level=logging.CRITICAL)

values = [(n * 3 + 7) & 0xFFFF for n in range(1, 401)]
values[222 - 1] = 0xFF38
block = ModbusSequentialDataBlock(0, values)
store = ModbusSlaveContext(hr=block, ir=block, zero_mode=True)
context = ModbusServerContext(slaves={1: store}, single=False)


async def main():
    server = ModbusTcpServer(context, ModbusSocketFramer, None, ("127.0.0.1", 0),
                             allow_reuse_address=True)
    serving = asyncio.ensure_future(server.serve_forever())
    await server.serving
    port = server.server.sockets[0].getsockname()[1]
    print("PORT", port, flush=True)
    await serving


asyncio.run(main())
