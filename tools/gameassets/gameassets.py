#!/usr/bin/env python3
"""Lays out the files of the game's own packs, one folder per pack:

    gameassets.py <assets/game> <framework pack folder> <levels folder> <output folder>

    dataUI/images/         the menu, corner, chat, training and HUD pictures, drawn here
    dataUI/fonts/          the game font "foo.fnt" (the framework's text font of the 480
                           screen, renamed) and "vad.meta" naming that design size, so
                           that other screens scale it
    dataIntro/images/      the eleven intro pictures and the 4 x 4 torch sheet
    dataScenes/scenes/     the built levels (*.scn)
    wobblixlanguage_en/lang/   the game's English texts as UTF-16LE with CR LF line ends

Pictures named ".jpg" hold PNG data (the image loader tells the two apart by content).
Only the standard library is used; the output is the same on every run.
"""
import math
import os
import shutil
import struct
import sys
import zlib


class Picture:
    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width, self.height = width, height
        self.pixels = [list(fill) for _ in range(width * height)]

    def put(self, x, y, rgba):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = list(rgba)

    def blend(self, x, y, rgba):
        if 0 <= x < self.width and 0 <= y < self.height:
            d = self.pixels[y * self.width + x]
            a = rgba[3] / 255.0
            out_a = a + d[3] / 255.0 * (1 - a)
            for c in range(3):
                d[c] = int(round(rgba[c] * a + d[c] * (1 - a))) if out_a > 0 else 0
            d[3] = int(round(out_a * 255))

    def png(self):
        raw = b"".join(b"\0" + bytes(v for p in self.pixels[y * self.width:(y + 1) * self.width]
                                     for v in p) for y in range(self.height))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
        return (b"\x89PNG\r\n\x1a\n"
                + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def rounded(w, h, rgb, border=(30, 30, 30), radius=None):
    """A rounded button face with a darker rim and a lighter top half."""
    pic = Picture(w, h)
    r = radius if radius is not None else min(w, h) // 4
    for y in range(h):
        for x in range(w):
            dx = max(r - x, 0, x - (w - 1 - r))
            dy = max(r - y, 0, y - (h - 1 - r))
            if dx * dx + dy * dy > r * r:
                continue
            rim = dx * dx + dy * dy > (r - 3) * (r - 3) or x < 3 or y < 3 or x >= w - 3 or y >= h - 3
            shade = 1.15 if y < h // 2 else 0.9
            colour = border if rim else tuple(min(255, int(c * shade)) for c in rgb)
            pic.put(x, y, colour + (255,))
    return pic


def disc(pic, cx, cy, r, rgba):
    for y in range(int(cy - r) - 1, int(cy + r) + 2):
        for x in range(int(cx - r) - 1, int(cx + r) + 2):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                pic.blend(x, y, rgba)


def bar(pic, x0, y0, x1, y1, rgba):
    for y in range(int(y0), int(y1)):
        for x in range(int(x0), int(x1)):
            pic.blend(x, y, rgba)


def icon(w, rgb, mark):
    """A round button with a white mark: 'play', 'cross', 'q', 'lines', 'film', 'grid',
    'share', 'star', 'pen', 'speaker', 'mute', 'bubble', 'retry'."""
    pic = rounded(w, w, rgb, radius=w // 2)
    c = w / 2.0
    white = (255, 255, 255, 255)
    u = w / 16.0
    if mark == "play":
        for y in range(w):
            for x in range(w):
                fx, fy = (x - c) / u, (y - c) / u
                if -3 <= fx <= 4 and abs(fy) <= (4 - fx) * 0.6:
                    pic.blend(x, y, white)
    elif mark == "cross":
        for t in range(-50, 51):
            for k in (-1, 1):
                disc(pic, c + t * u * 0.08, c + k * t * u * 0.08, u * 0.8, white)
    elif mark == "lines":
        for i in range(3):
            bar(pic, c - 4 * u, c - 3 * u + i * 2.5 * u, c + 4 * u, c - 2 * u + i * 2.5 * u, white)
    elif mark == "film":
        bar(pic, c - 4 * u, c - 3 * u, c + 4 * u, c + 3 * u, white)
        for i in range(4):
            bar(pic, c - 3.5 * u + i * 2 * u, c - 2.5 * u, c - 2.5 * u + i * 2 * u, c - 1.5 * u, rgb + (255,))
    elif mark == "grid":
        for i in range(3):
            for j in range(3):
                bar(pic, c - 4 * u + i * 3 * u, c - 4 * u + j * 3 * u, c - 2 * u + i * 3 * u,
                    c - 2 * u + j * 3 * u, white)
    elif mark == "q":
        disc(pic, c, c - u, 3 * u, white)
        disc(pic, c, c - u, 1.6 * u, rgb + (255,))
        bar(pic, c - 0.7 * u, c + 1.5 * u, c + 0.7 * u, c + 3 * u, white)
        disc(pic, c, c + 4.2 * u, 0.8 * u, white)
    elif mark == "share":
        # Three dots, the left one joined to the other two.
        left, top, bottom = (c - 3.5 * u, c), (c + 3 * u, c - 3.5 * u), (c + 3 * u, c + 3.5 * u)
        for end in (top, bottom):
            for t in range(0, 41):
                k = t / 40.0
                disc(pic, left[0] + (end[0] - left[0]) * k, left[1] + (end[1] - left[1]) * k,
                     u * 0.45, white)
        for x, y in (left, top, bottom):
            disc(pic, x, y, u * 1.7, white)
    elif mark == "star":
        for k in range(5):
            a = -math.pi / 2 + k * 2 * math.pi / 5
            for t in range(0, 41):
                disc(pic, c + math.cos(a) * t * u * 0.1, c + math.sin(a) * t * u * 0.1, u * 0.9, white)
    elif mark == "pen":
        for t in range(-40, 41):
            disc(pic, c + t * u * 0.1, c - t * u * 0.1, u, white)
    elif mark in ("speaker", "mute"):
        bar(pic, c - 4 * u, c - 1.5 * u, c - 1.5 * u, c + 1.5 * u, white)
        for y in range(w):
            for x in range(w):
                fx, fy = (x - c) / u, (y - c) / u
                if -1.5 <= fx <= 1.5 and abs(fy) <= 1.5 + (fx + 1.5):
                    pic.blend(x, y, white)
        if mark == "mute":
            for t in range(-25, 26):
                disc(pic, c + 3 * u + t * u * 0.08, c + t * u * 0.08, u * 0.5, (230, 40, 40, 255))
                disc(pic, c + 3 * u + t * u * 0.08, c - t * u * 0.08, u * 0.5, (230, 40, 40, 255))
        else:
            for k in (2.5, 4.0):
                for deg in range(-40, 41, 4):
                    a = math.radians(deg)
                    disc(pic, c + k * u * math.cos(a), c + k * u * math.sin(a), u * 0.4, white)
    elif mark == "bubble":
        disc(pic, c, c - u, 4 * u, white)
        bar(pic, c - 3 * u, c + 1 * u, c - 1 * u, c + 4.5 * u, white)
    elif mark == "retry":
        for deg in range(30, 330, 3):
            a = math.radians(deg)
            disc(pic, c + 3.5 * u * math.cos(a), c + 3.5 * u * math.sin(a), u * 0.7, white)
    return pic


def sheet3(w, fill, edge, pointer):
    """A 3 x 3 nine-cell sheet: rounded corners, or square ones for the pointer."""
    cell = w // 3
    pic = Picture(cell * 3, cell * 3)
    for row in range(3):
        for col in range(3):
            for y in range(cell):
                for x in range(cell):
                    px, py = col * cell + x, row * cell + y
                    # Distance to the bubble's outer edge within the corner cells.
                    fx = (cell - x) if col == 0 else (x + 1 if col == 2 else cell)
                    fy = (cell - y) if row == 0 else (y + 1 if row == 2 else cell)
                    # Rounded corners; the pointer sheet keeps them square, so the corner
                    # that replaces one of them points out of the bubble.
                    inside = True
                    if col != 1 and row != 1 and not pointer:
                        inside = (fx - 0.5) ** 2 + (fy - 0.5) ** 2 <= cell * cell
                    if not inside:
                        continue
                    near = (col == 0 and x < 2) or (col == 2 and x >= cell - 2) or \
                           (row == 0 and y < 2) or (row == 2 and y >= cell - 2)
                    pic.put(px, py, (edge if near else fill) + (255,))
    return pic


def scene_picture(index, w, h):
    """One intro picture: a sky, hills, a sun and a row of blocks that grows per picture."""
    pic = Picture(w, h)
    top = (70 + index * 9, 120 + index * 6, 200 - index * 5)
    for y in range(h):
        t = y / float(h)
        col = tuple(int(top[c] * (1 - t) + (250, 220, 170)[c] * t) for c in range(3)) + (255,)
        for x in range(w):
            pic.put(x, y, col)
    disc(pic, w * (0.15 + 0.06 * index), h * 0.25, h * 0.08, (255, 230, 120, 255))
    for x in range(w):
        hill = h * (0.72 + 0.06 * math.sin(x / float(w) * math.pi * 2 + index))
        bar(pic, x, hill, x + 1, h, (60 + index * 8, 130, 70, 255))
    for b in range(index + 1):
        bx = w * 0.1 + b * w * 0.075
        bar(pic, bx, h * 0.55, bx + w * 0.06, h * 0.7, (180, 110, 60, 255))
    return pic


def torch_sheet(size):
    """4 x 4 frames of a flickering light spot (white where it is lit)."""
    cell = size // 4
    pic = Picture(cell * 4, cell * 4, (0, 0, 0, 255))
    for f in range(16):
        cx0, cy0 = (f % 4) * cell, (f // 4) * cell
        r = cell * (0.42 + 0.04 * math.sin(f * 0.9))
        for y in range(cell):
            for x in range(cell):
                d = math.hypot(x + 0.5 - cell / 2.0, y + 0.5 - cell / 2.0) / r
                v = max(0.0, 1.0 - d * d)
                lit = int(40 + 215 * v)
                pic.put(cx0 + x, cy0 + y, (lit, lit, int(lit * 0.85), 255))
    return pic


def title_picture(w, h):
    pic = Picture(w, h)
    for y in range(h):
        t = y / float(h)
        col = (int(31 + (255 - 31) * t), int(188 + (168 - 188) * t), int(211 * (1 - t)), 255)
        for x in range(w):
            pic.put(x, y, col)
    # Two creatures facing each other over a block wall.
    disc(pic, w * 0.25, h * 0.62, h * 0.14, (240, 90, 60, 255))
    disc(pic, w * 0.75, h * 0.62, h * 0.14, (70, 120, 240, 255))
    for eye in (0.22, 0.28, 0.72, 0.78):
        disc(pic, w * eye, h * 0.57, h * 0.03, (255, 255, 255, 255))
        disc(pic, w * eye, h * 0.57, h * 0.013, (20, 20, 20, 255))
    for row in range(4):
        for col in range(3):
            x0 = w * 0.44 + col * w * 0.04
            y0 = h * 0.84 - (row + 1) * h * 0.08
            bar(pic, x0 + 1, y0 + 1, x0 + w * 0.04 - 1, y0 + h * 0.08 - 1, (190, 120, 70, 255))
    return pic


def spinner(size):
    pic = Picture(size, size)
    c = size / 2.0
    for k in range(12):
        a = k * math.pi / 6
        disc(pic, c + math.cos(a) * size * 0.38, c + math.sin(a) * size * 0.38, size * 0.07,
             (255, 255, 255, int(60 + 195 * k / 11.0)))
    return pic


def slider_back(w, h):
    return rounded(w, h, (60, 60, 70), radius=h // 2)


def ui_pictures():
    blue, green, red, orange, grey, purple = (50, 120, 220), (60, 170, 80), (210, 60, 50), \
        (235, 150, 40), (120, 120, 130), (150, 80, 190)
    return {
        "gloobtitlegloob.jpg": title_picture(512, 256),
        "gloobloader.png": spinner(64),
        "muteoff.png": icon(64, grey, "speaker"),
        "muteon.png": icon(64, grey, "mute"),
        "exits.png": icon(96, red, "cross"),
        "edit.png": icon(96, purple, "pen"),
        "help.png": icon(96, blue, "q"),
        "helper.png": icon(64, blue, "q"),
        "training.png": icon(128, green, "grid"),
        "fb_button.png": icon(96, (40, 150, 140), "share"),
        "intro.png": icon(96, orange, "film"),
        "credits.png": icon(96, purple, "lines"),
        "nextround.png": icon(128, green, "play"),
        "volumebackgroundz.png": slider_back(128, 32),
        "volumezlider.png": icon(32, (230, 230, 230), "cross"),
        # Bubble texts are drawn white with a shadow: a dark face keeps them legible.
        "chatbubble.png": sheet3(48, (48, 56, 70), (236, 236, 236), False),
        "chatbubble_pointer.png": sheet3(48, (48, 56, 70), (236, 236, 236), True),
        "chatbutton.png": icon(64, blue, "bubble"),
        "training_scene.png": rounded(96, 96, orange),
        "training_restart.png": icon(64, orange, "retry"),
        "zoom_bar.png": slider_back(32, 128),
        "zoom_indicator.png": icon(32, (230, 230, 230), "star"),
        "bomb_snow.png": icon(64, (200, 220, 245), "star"),
        "bomb_cluster.png": icon(64, (90, 90, 90), "grid"),
        "bomb_none.png": icon(64, grey, "cross"),
        "bomb_sticky.png": icon(64, (120, 200, 60), "star"),
        "confirmation_yes.png": icon(64, green, "play"),
        "confirmation_no.png": icon(64, red, "cross"),
        "timer_gloob.png": icon(64, orange, "retry"),
        "shadow.png": Picture(32, 16, (0, 0, 0, 90)),
        "jump_00.png": icon(64, blue, "play"),
        "jump_01.png": icon(64, (90, 160, 250), "play"),
        "bomb_00.png": icon(64, red, "star"),
        "bomb_01.png": icon(64, (250, 100, 90), "star"),
        "whip_00.png": icon(64, purple, "pen"),
        "whip_01.png": icon(64, (190, 120, 230), "pen"),
    }


def utf16_texts(path):
    lines = []
    last = -1
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if not line or line.startswith("#"):
                continue
            head = line.split("=", 1)[0]
            if head.isdigit():
                if int(head) <= last:
                    raise SystemExit("text %s is not above %d" % (head, last))
                last = int(head)
            lines.append(line)
    return "".join(l + "\r\n" for l in lines).encode("utf-16-le")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) != 5:
        sys.stderr.write(__doc__)
        return 2
    source, framework, levels, out = argv[1:]
    for name, pic in ui_pictures().items():
        write(os.path.join(out, "dataUI", "images", name), pic.png())
    font_dir = os.path.join(framework, "brixfonts_480", "fonts")
    with open(os.path.join(font_dir, "brix_text.fnt"), encoding="utf-8") as f:
        descriptor = f.read().replace('file="brix_text.png"', 'file="foo.png"')
    write(os.path.join(out, "dataUI", "fonts", "foo.fnt"), descriptor.encode("utf-8"))
    shutil.copyfile(os.path.join(font_dir, "brix_text.png"), os.path.join(out, "dataUI", "fonts", "foo.png"))
    write(os.path.join(out, "dataUI", "fonts", "vad.meta"),
          b'<meta>\n <font>\n  <original_size value="480"/>\n </font>\n</meta>\n')
    for i in range(11):
        write(os.path.join(out, "dataIntro", "images", "Kuva%02d.jpg" % (i + 1)),
              scene_picture(i, 320, 160).png())
    write(os.path.join(out, "dataIntro", "images", "torch.png"), torch_sheet(256).png())
    scenes = os.path.join(out, "dataScenes", "scenes")
    os.makedirs(scenes, exist_ok=True)
    for name in sorted(os.listdir(levels)):
        if name.endswith(".scn"):
            shutil.copyfile(os.path.join(levels, name), os.path.join(scenes, name))
    write(os.path.join(out, "wobblixlanguage_en", "lang", "wobblixlanguage_en.txt"),
          utf16_texts(os.path.join(source, "lang", "wobblixlanguage_en.txt")))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
