#!/usr/bin/env python3
"""Writes the seed packs of fuzz/resource_packs.cpp into fuzz/corpus/resource_packs/.

Each seed is one flag byte (bit 0: add the pack at scope level 1; bit 1: screen
landscape) followed by a media pack: "KMP2", u32 count, count x {u16 name length,
name, u32 record offset}, records {u32 0, u32 size, data}, all little-endian.
"""
import os
import struct
import sys
import zlib


def png(width, height, rgba):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = b"".join(b"\0" + bytes(rgba) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def wav(frames):
    data = b"".join(struct.pack("<h", 8000 if (i // 25) % 2 else -8000) for i in range(frames))
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, 1, 22050, 44100, 2, 16) +
            b"data" + struct.pack("<I", len(data)) + data)


def pack(entries):
    head = b"KMP2" + struct.pack("<I", len(entries))
    directory_size = sum(2 + len(name) + 4 for name, _ in entries)
    offset = len(head) + directory_size
    directory = b""
    records = b""
    for name, data in entries:
        directory += struct.pack("<H", len(name)) + name + struct.pack("<I", offset)
        record = struct.pack("<II", 0, len(data)) + data
        records += record
        offset += len(record)
    return head + directory + records


META = (b"<meta><image><original_size value=\"480\"/><separate_alpha value=\"0\"/>"
        b"<files><file path=\"a.png\" no_mipmaps=\"1\"/></files></image>"
        b"<font><original_size value=\"480\"/><files><file path=\"f.fnt\" keep_color=\"1\"/>"
        b"</files></font></meta>")
SIX = (b"<surfaces image=\"gfx/sheet.png\"><surface name=\"btn\" left=\"1\" top=\"1\" "
       b"right=\"3\" bottom=\"2\"/><SURFACE name=\"a.png\" right=\"2\"/></surfaces>")
FONT = (b"<font><info face=\"t\" size=\"8\"/><common lineHeight=\"8\" base=\"7\" scaleW=\"4\" "
        b"scaleH=\"4\" pages=\"1\"/><pages><page id=\"0\" file=\"fp.png\"/></pages>"
        b"<chars count=\"1\"><char id=\"65\" x=\"0\" y=\"0\" width=\"2\" height=\"2\" "
        b"xoffset=\"0\" yoffset=\"0\" xadvance=\"3\" page=\"0\"/></chars></font>")

SEEDS = {
    "plain": (0, [(b"/a.png", png(4, 4, (255, 0, 0, 255))), (b"/data.txt", b"hello")]),
    "meta_scaled": (2, [(b"/vad.meta", META), (b"/a.png", png(8, 6, (0, 255, 0, 255)))]),
    "sheet": (1, [(b"/gfx/sheet.png", png(4, 4, (0, 0, 255, 128))), (b"/ui.six", SIX)]),
    "sound_font": (0, [(b"/click.wav", wav(200)), (b"/f.fnt", FONT),
                       (b"/fp.png", png(4, 4, (255, 255, 255, 255)))]),
    "everything": (3, [(b"/vad.meta", META), (b"/a.png", png(2, 2, (1, 2, 3, 4))),
                       (b"/gfx/sheet.png", png(6, 6, (9, 9, 9, 255))), (b"/ui.six", SIX),
                       (b"/s.ogg", wav(50)), (b"/f.fnt", FONT), (b"/other.bin", b"\0\1\2")]),
}

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "fuzz", "corpus", "resource_packs")
os.makedirs(out, exist_ok=True)
for name, (flags, entries) in SEEDS.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes([flags]) + pack(entries))
