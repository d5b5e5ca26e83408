#!/usr/bin/env python3
"""Writes the seeds of the network fuzz targets (fuzz/corpus/ber_reader, net_decoders,
net_stream_cut) from the golden messages of the network tests. Run from the repository."""
import os

def tlv(ident, content):
    n = len(content)
    if n < 0x80:
        length = bytes([n])
    else:
        body = n.to_bytes((n.bit_length() + 7) // 8, 'big')
        length = bytes([0x80 | len(body)]) + body
    return bytes(ident) + length + content

def integer(ident, v):
    for n in range(1, 5):
        if -(1 << (8 * n - 1)) <= v < (1 << (8 * n - 1)):
            return bytes([ident, n]) + (v & ((1 << (8 * n)) - 1)).to_bytes(n, 'big')

def text(ident, s):
    return tlv([ident], s.encode('utf-8'))

entry = tlv([0x30], integer(0x80, 11) + text(0x81, 'Ann') + text(0x83, '1.2.2011 3:4:5') +
            integer(0x84, 40) + tlv([0xA6], integer(0x80, 2012) + integer(0x85, 9)) + b'\x87\x00')
decoders = {
    0: tlv([0xA6], integer(0x80, 42) + text(0x81, 'token') + text(0x83, 'Ann') + integer(0x84, 0x123456)),
    1: tlv([0xA8], integer(0x83, 2) + tlv([0xA0], entry)),
    2: tlv([0xAC], bytes([0x80, 1, 7]) + tlv([0xA1], entry + entry) + integer(0x82, 1) + integer(0x83, 0) +
           text(0x84, '127.0.0.1:5001') + integer(0x85, 3)),
    3: bytes.fromhex('AD 06 80 04 01 02 03 04'),
    4: tlv([0xB5], integer(0x80, 1) + integer(0x81, 2) + integer(0x82, 1) + integer(0x83, 5) + text(0x84, 't') + text(0x85, 'u')),
    5: tlv([0xBF, 0x28], integer(0x80, 1) + integer(0x81, 64) + integer(0x82, 5) + integer(0x83, 6) + text(0x84, '') + text(0x85, 'a')),
    6: bytes.fromhex('BF 2C 03 80 01 FF'),
    7: tlv([0xBF, 0x3A], text(0x80, 'salt')),
    8: tlv([0xBF, 0x48], bytes([0x80, 5, 1, 0, 0, 0, 0]) + integer(0x81, 11)),
    9: tlv([0xBF, 0x4B], tlv([0xA0], b'\x30' + tlv([], integer(0x80, 1) + text(0x84, 'x') + text(0x85, '3.4.2010 1:2:3')))),
    10: tlv([0xBF, 0x55], integer(0x80, 9) + integer(0x81, 1) + tlv([0x82], b'\x01\x02\x03')),
    11: bytes.fromhex('BF 5B 03 80 01 05'),
    15: tlv([0xBF, 0x61], integer(0x80, 0x401) + integer(0x81, 0) +
            tlv([0xA2], tlv([0x30], integer(0x80, 77) + text(0x81, 'Bomb') + text(0x82, '') + text(0x83, '')))),
    18: bytes.fromhex('A2 0D 80 00 81 01 00 82 03 61 3A 31 83 01 05'),
    20: bytes.fromhex('B0 14 80 00 81 0D 30 0B 80 01 09 81 06 02 01 01 02 01 02 82 01 03'),
    22: bytes.fromhex('B4 45 80 01 0A 81 01 00 82 02 01 00 83 2E 30 2C 80 01 05 81 01 61 82 00 83 00 84 00'
                      ' 85 01 02 86 01 7A A7 18 80 01 01 81 01 02 82 01 03 83 01 04 84 01 05 85 01 06 86 01'
                      ' 07 87 01 08 84 09 30 07 80 01 67 81 02 00 80'),
    29: bytes.fromhex('BF 40 0A 80 01 02 81 02 C3 A9 82 01 FF'),
}
readers = {
    0: '04 80 00 00 00', 1: '05 01 00 00 00 00', 2: '03 E2 82 AC', 3: '03 01 02 03', 4: '11' + ' 11' * 17,
    5: '9F 81 00', 6: 'BF 40', 7: 'B4 0A 80 01 01 81 01 05 82 01 61', 8: '06 02 01 01 02 01 02',
    9: '09 0C 01 61 0C 00 0C 02 62 63', 10: '0C 30 03 80 01 61 30 05 80 00 81 01 07',
    19: '83 01 00 00', 20: '03 E2 82 AC', 21: '0E 31 2E 32 2E 32 30 31 31 20 33 3A 34 3A 35',
}

def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)

for k, v in decoders.items():
    write('fuzz/corpus/net_decoders', 'decoder_%02d' % k, bytes([k]) + v)
for k, v in readers.items():
    write('fuzz/corpus/ber_reader', 'reader_%02d' % k, bytes([k]) + bytes.fromhex(v))
stream = b''.join(decoders[k] for k in (6, 2, 22, 18)) + bytes.fromhex('BC 00 BF 3B 00')
write('fuzz/corpus/net_stream_cut', 'stream_small_chunks', bytes([1, 2, 3]) + stream)
write('fuzz/corpus/net_stream_cut', 'stream_large_chunks', bytes([60, 17, 63]) + stream)
