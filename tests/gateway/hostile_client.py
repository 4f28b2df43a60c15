"""Hostile Modbus TCP clients for the gateway's chaos tests. Standard library
only; run with /usr/bin/python3.

hostile_client.py reset PORT ROUNDS
    Each round: a 4 KiB receive buffer, 20,000 pipelined reads (function 3,
    address 200, 125 registers), 5 ms, then a reset (SO_LINGER {1, 0}).
hostile_client.py flood PORT CLIENTS SECONDS
    CLIENTS connections pipeline the same reads as fast as the server takes
    them, reading whatever comes back. Prints "FLOODING" once all are
    connected, then after SECONDS "REPLIES n1 n2 ..." (replies per client).
hostile_client.py garbage PORT SEED
    Connections that send random bytes, broken or truncated headers and
    random function codes, some closed and some reset part-way.
"""
import random
import selectors
import socket
import struct
import sys
import time

READ = struct.pack(">HHHBBHH", 0, 0, 6, 1, 3, 200, 125)
REPLY_SIZE = 9 + 2 * 125


def pipeline(count):
    return b"".join(struct.pack(">HHHBBHH", i & 0xFFFF, 0, 6, 1, 3, 200, 125) for i in range(count))


def reset(sock):
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    sock.close()


def reset_rounds(port, rounds):
    burst = pipeline(20000)
    for n in range(rounds):
        sock = socket.socket()
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        sock.connect(("127.0.0.1", port))
        sock.setblocking(False)
        try:
            sock.send(burst)
        except BlockingIOError:
            pass
        time.sleep(0.005)
        reset(sock)
        print("ROUND", n, flush=True)


def flood(port, clients, seconds):
    burst = pipeline(1000)
    selector = selectors.DefaultSelector()
    received = {}
    for _ in range(clients):
        sock = socket.create_connection(("127.0.0.1", port))
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        sock.setblocking(False)
        received[sock] = 0
        selector.register(sock, selectors.EVENT_READ | selectors.EVENT_WRITE, [0])
    print("FLOODING", flush=True)
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        for key, events in selector.select(0.1):
            sock, sent = key.fileobj, key.data
            if events & selectors.EVENT_READ:
                try:
                    data = sock.recv(1 << 16)
                except (BlockingIOError, InterruptedError):
                    data = None
                if data == b"":
                    selector.unregister(sock)
                    continue
                if data:
                    received[sock] += len(data)
            if events & selectors.EVENT_WRITE:
                try:
                    sent[0] = (sent[0] + sock.send(burst[sent[0]:])) % len(burst)
                except (BlockingIOError, InterruptedError):
                    pass
    print("REPLIES", *(n // REPLY_SIZE for n in received.values()), flush=True)
    for sock in received:
        reset(sock)


def garbage(port, seed):
    rng = random.Random(seed)
    kinds = 0
    for n in range(60):
        sock = socket.create_connection(("127.0.0.1", port))
        kind = n % 5
        if kind == 0:  # noise
            payload = rng.randbytes(rng.randint(1, 3000))
        elif kind == 1:  # framable headers, random bodies and functions
            payload = b"".join(
                struct.pack(">HHHB", rng.getrandbits(16), 0, length, rng.getrandbits(8))
                + rng.randbytes(length - 1)
                for length in (rng.randint(2, 254) for _ in range(rng.randint(1, 40))))
        elif kind == 2:  # good reads with a bad header in between
            payload = pipeline(rng.randint(1, 50)) + struct.pack(">HHH", 1, 7, 6) + pipeline(5)
        elif kind == 3:  # a read cut off in its header or body
            payload = READ[: rng.randint(1, len(READ) - 1)]
        else:  # lengths at and past the bounds
            payload = b"".join(struct.pack(">HHH", 9, 0, length) + b"\x01\x03"
                               for length in (0, 1, 2, 255, 0xFFFF))
        try:
            sock.sendall(payload)
        except OSError:
            pass
        if rng.random() < 0.5:
            reset(sock)
        else:
            sock.close()
        kinds += 1
    print("SENT", kinds, flush=True)


if __name__ == "__main__":
    mode, port = sys.argv[1], int(sys.argv[2])
    if mode == "reset":
        reset_rounds(port, int(sys.argv[3]))
    elif mode == "flood":
        flood(port, int(sys.argv[3]), float(sys.argv[4]))
    elif mode == "garbage":
        garbage(port, int(sys.argv[3]))
    else:
        sys.exit("unknown mode " + mode)
