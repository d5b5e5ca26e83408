#!/usr/bin/env python3
# Remakes the seeds of the lobby_lists fuzz target: a steering byte, then lobby replies
# encoded by the test lobby server's own codec (player lists, shop groups and items,
# pictures, buy information, gift items, challenges, scores), or a picture alone.
#   fuzz/make-lobby-lists-seeds.py
import hashlib
import os
import struct
import sys
import zlib

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, 'tools', 'lobbyserver'))
import asn1codec as c  # noqa: E402


def png(size, rgb):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b''.join(b'\0' + bytes(rgb) * size for _ in range(size))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))


def player(pid, name, flags):
    return [pid, c.encode_text(name), b'', b'', c.encode_text('Town'), flags, c.encode_text('Hi'),
            c.stats_to_wire(0, 3, 90, 2, 1, 1, 4, 5)]


def item(iid, name, group, display=''):
    return [iid, c.encode_text(name), c.encode_text('short'), c.encode_text('full'), 50, 60, 10, group, 0, 3, 0, 1,
            0, c.encode_text(display), 0]


groups = [[1, c.encode_text('Bombs'), 4, 0, 1, 2], [2, c.encode_text('Hats'), 2, 0, 2, 1]]
lists = c.encode_message(20, [40, 0, 0, [player(100 + i, 'P%d' % i, i % 3 * 8 + 1) for i in range(6)], []])
lists += c.encode_message(20, [3, -1, 0, [], [[c.encode_text('Friends'), 2], [c.encode_text('Rest'), 1]]])
lists += c.encode_message(85, [101, 0, png(4, (200, 20, 20))])
lists += c.encode_message(22, [102, 17, 1, 0, b''])
lists += c.encode_message(16, [[c.encode_text('Cup')], [[100, [7]], [101, [9]]], 2])
shop = c.encode_message(93, [0, groups]) + c.encode_message(93, [1, groups])
shop += c.encode_message(97, [0, 0, [item(11, 'Cluster', 1), item(12, 'Snow', 1, 'Snowball'), item(21, 'Hat', 2)]])
shop += c.encode_message(97, [1, 0, [item(11, 'Cluster', 1), item(21, 'Hat', 2)]])
shop += c.encode_message(100, [11, 0, png(8, (20, 200, 20))]) + c.encode_message(100, [12, 1, png(16, (9, 9, 9))])
shop += c.encode_message(91, [345])
shop += c.encode_message(103, [11, 1, b'', [[5, c.encode_text('Friend'), b'']]])
shop += c.encode_message(105, [11, -1, c.encode_text('Not enough coins.')])
shop += c.encode_message(106, [11, 1, b'', 12])
shop += c.encode_message(114, [5, b'', [item(11, 'Cluster', 1), item(12, 'Snow', 1)]])
shop += c.encode_message(116, [5, 0, b''])
catalogue = c.encode_message(93, [0x401, groups]) + c.encode_message(97, [0x401, 0, [item(11, 'Cluster', 1)]])
challenge = c.encode_message(39, [7, 55, c.encode_text('Rex'), c.encode_text('#4'), 321, 0])
challenge += c.encode_message(85, [55, 0, png(4, (1, 2, 3))]) + c.encode_message(40, [0, 64, 17, 55, b'Rex', b'', b''])

pack = b'PK' + b'x' * 30
packs = c.encode_message(87, [[[9, 1, hashlib.md5(pack).digest(), len(pack)]]])
packs += c.encode_message(89, [9, 0, pack[:10], len(pack) - 10]) + c.encode_message(89, [9, 10, pack[10:], 0])

seeds = {
    'packs': bytes([2]) + packs,
    'players': bytes([0]) + lists,
    'follow': bytes([1]) + lists,
    'shop': bytes([2]) + shop + challenge,
    'my_items': bytes([3]) + shop + catalogue,
    'picture': bytes([0x80]) + png(8, (50, 60, 70)),
    'picture_cut': bytes([0x81]) + png(8, (50, 60, 70))[:40],
}
folder = os.path.join(root, 'fuzz', 'corpus', 'lobby_lists')
os.makedirs(folder, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)
