"""A Modbus TCP server from pymodbus, a Modbus implementation none of us
wrote, serving unit 1 on 127.0.0.1 with the pattern of pattern_registers.py.
Listens on a free port and prints "PORT <n>" once it accepts connections.
Usage: pymodbus_tcp_server.py"""
import asyncio
import logging

from pymodbus.server.async_io import ModbusTcpServer
from pymodbus.transaction import ModbusSocketFramer

from pattern_registers import pattern_context

logging.basicConfig(level=logging.CRITICAL)
context = pattern_context()


async def main():
    server = ModbusTcpServer(context, ModbusSocketFramer, None, ("127.0.0.1", 0),
                             allow_reuse_address=True)
    serving = asyncio.ensure_future(server.serve_forever())
    await server.serving
    port = server.server.sockets[0].getsockname()[1]
    print("PORT", port, flush=True)
    await serving


asyncio.run(main())
