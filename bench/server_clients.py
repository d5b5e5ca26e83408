#!/usr/bin/env python3
"""Holds 200 clients logged in at once on the lobby server over loopback.

Every client says hello, logs in as a guest, and once all are logged in asks
for a player-list page and pings; a client counts as answered when both
replies came. Prints "BENCH server_clients ratio=<answered/200>".
"""

import asyncio
import os
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, 'tools', 'lobbyserver'))

import asn1codec as codec  # noqa: E402

CLIENTS = 200
TIME_LIMIT = 60.0
HELLO = [1, 800, 480, b'bench', b'1', 1, 1, b'0.0.0.0', b'0.0.0.0', 25, b'', b'', b'bench', 1, b'Linux', 0, 3]


async def read_message(reader, buf):
    while True:
        size = codec.frame_size(buf)
        if size is not None and len(buf) >= size:
            frame = bytes(buf[:size])
            del buf[:size]
            return codec.decode_message(frame)
        data = await reader.read(65536)
        if not data:
            raise EOFError
        buf += data


async def expect(reader, buf, number):
    while True:
        got, fields = await read_message(reader, buf)
        if got == number:
            return fields


async def client(port, logged_in, all_in, latencies):
    reader, writer = await asyncio.open_connection('127.0.0.1', port)
    buf = bytearray()
    try:
        writer.write(codec.encode_message(0, HELLO))
        await expect(reader, buf, 2)
        writer.write(codec.encode_message(5, [b'guest', b'0', 1, b'']))
        if (await expect(reader, buf, 6))[0] < 0:
            return False
        logged_in()
        await all_in.wait()
        start = time.perf_counter()
        writer.write(codec.encode_message(19, [0, 0, 20, b'', 0, 0]))
        writer.write(codec.encode_message(44, [-1]))
        await expect(reader, buf, 20)
        await expect(reader, buf, 44)
        latencies.append(time.perf_counter() - start)
        return True
    finally:
        writer.close()


async def run(port):
    all_in = asyncio.Event()
    count = [0]
    latencies = []

    def logged_in():
        count[0] += 1
        if count[0] == CLIENTS:
            all_in.set()

    tasks = [asyncio.create_task(client(port, logged_in, all_in, latencies)) for _ in range(CLIENTS)]
    done, pending = await asyncio.wait(tasks, timeout=TIME_LIMIT)
    for task in pending:
        task.cancel()
    answered = sum(1 for t in done if not t.cancelled() and t.exception() is None and t.result())
    return answered, count[0], latencies


def main():
    with tempfile.TemporaryDirectory() as folder:
        server = subprocess.Popen(
            [sys.executable, os.path.join(ROOT, 'tools', 'lobbyserver', 'server.py'), '--port', '0',
             '--db', os.path.join(folder, 'bench.db')],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            port = int(server.stdout.readline().rsplit(':', 1)[1])
            start = time.perf_counter()
            answered, logged, latencies = asyncio.run(run(port))
            elapsed = time.perf_counter() - start
            alive = server.poll() is None
        finally:
            server.terminate()
            server.wait(10)
    latencies.sort()
    p95 = latencies[int(len(latencies) * 0.95) - 1] * 1000 if latencies else 0.0
    print('%-28s %8s %8s %10s %10s %6s' % ('case', 'clients', 'answered', 'total s', 'p95 ms', 'alive'))
    print('%-28s %8d %8d %10.2f %10.1f %6s' % ('200 guests at once', logged, answered, elapsed, p95, alive))
    print('BENCH server_clients ratio=%.3f' % (answered / CLIENTS if alive else 0.0))


if __name__ == '__main__':
    main()
