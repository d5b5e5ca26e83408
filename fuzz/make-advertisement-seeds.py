#!/usr/bin/env python3
# Remakes the seeds of the advertisement fuzz target: messages 80 encoded by the test
# lobby server's own codec, one with a three-frame PNG strip.
#   fuzz/make-advertisement-seeds.py
import os
import struct
import sys
import zlib

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, 'tools', 'lobbyserver'))
import asn1codec  # noqa: E402


def png(width, height, colour):
    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)
    raw = b''
    for y in range(height):
        raw += b'\0' + b''.join(bytes(colour(x, y)) for x in range(width))
    header = struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'')


strip = png(6, 18, lambda x, y: (255, 0, 0) if y < 6 else ((0, 255, 0) if y < 12 else (0, 0, 255)))
seeds = {
    'strip': ['campaign', 'http://a.test/c', strip, 1000, 2000, [100, 100, 200], 'http://a.test/ok', 8,
              'Close in %d', 'http://a.test/t'],
    'plain': ['', '', b'', 0, 0, [], '', 8, 'Title', ''],
    'hostile': ['%s%n%d', '%', b'\x89PNG\r\n\x1a\nnot really', -5, -3000, [0, -1, 0, 2147483647],
                '', 10, '%s %d %x', '%%'],
}
out = os.path.join(root, 'fuzz', 'corpus', 'advertisement')
os.makedirs(out, exist_ok=True)
for name, fields in seeds.items():
    fields = [v.encode() if isinstance(v, str) else v for v in fields]
    with open(os.path.join(out, name), 'wb') as f:
        f.write(asn1codec.encode_message(80, fields))
