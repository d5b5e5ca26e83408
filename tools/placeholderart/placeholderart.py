#!/usr/bin/env python3
"""Writes the game's placeholder pictures as PNG files, drawn from simple shapes.

    placeholderart.py <output folder>

Each pack folder below the output gets its pictures:
    dataPlayers/   the creature sheets (8 columns of aim directions x 10 rows, row 8 the
                   win animation), the stretch pictures and the turn marker
    dataEffects/   the 4 x 4 explosion sheet, the particles, the 16-cell marker strip
                   (aim dots) and the projectiles
    dataTextures/  the four block styles, the three variants of each of the four block
                   materials, the water body and waves, and the two backgrounds
    dataUI/        the play screen's HUD: weapon, confirmation, chat, next-round and
                   restart buttons, the owned-bomb icons, the turn timer, the waiting
                   wheel and the zoom bar with its indicator (laid over the game's
                   own dataUI pictures, which are packed with the menu's)
(each in an "images" folder, since entries are looked up as "/" and the file name). The
packs are then made from the pack folders with the pack tool. Only the standard library
is used; every picture comes out the same on every run.
"""
import math
import os
import random
import struct
import sys
import zlib


class Picture:
    """Straight (not premultiplied) RGBA, 0..255 per channel."""

    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [list(fill) for _ in range(width * height)]

    def get(self, x, y):
        return self.pixels[y * self.width + x]

    def put(self, x, y, rgba):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = [int(max(0, min(255, round(c)))) for c in rgba]

    def blend(self, x, y, rgba, coverage=1.0):
        """Source-over of a straight colour with the given coverage."""
        if not (0 <= x < self.width and 0 <= y < self.height) or coverage <= 0:
            return
        sa = rgba[3] / 255.0 * min(1.0, coverage)
        d = self.get(x, y)
        da = d[3] / 255.0
        oa = sa + da * (1 - sa)
        if oa <= 0:
            self.put(x, y, (0, 0, 0, 0))
            return
        out = [(rgba[i] * sa + d[i] * da * (1 - sa)) / oa for i in range(3)]
        self.put(x, y, (out[0], out[1], out[2], oa * 255))

    def save(self, path):
        raw = bytearray()
        for y in range(self.height):
            raw.append(0)
            for x in range(self.width):
                raw.extend(bytes(self.get(x, y)))
        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
        png = b"\x89PNG\r\n\x1a\n"
        png += chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        png += chunk(b"IEND", b"")
        with open(path, "wb") as f:
            f.write(png)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def disc(pic, cx, cy, r, rgba, ox=0, oy=0):
    """An anti-aliased disc centred at (cx, cy) in a cell whose origin is (ox, oy)."""
    for y in range(int(cy - r - 1), int(cy + r + 2)):
        for x in range(int(cx - r - 1), int(cx + r + 2)):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            pic.blend(ox + x, oy + y, rgba, r + 0.5 - d)


def ellipse(pic, cx, cy, rx, ry, rgba, ox=0, oy=0):
    for y in range(int(cy - ry - 1), int(cy + ry + 2)):
        for x in range(int(cx - rx - 1), int(cx + rx + 2)):
            d = math.hypot((x + 0.5 - cx) / rx, (y + 0.5 - cy) / ry)
            pic.blend(ox + x, oy + y, rgba, (1.0 - d) * min(rx, ry) + 0.5)


# ---- creatures -------------------------------------------------------------------

CELL = 32


def creature_cell(pic, column, row, ox, oy):
    """One gloob: a white body (tinted by the player's colour when drawn), eyes that look
    towards aim direction column (eighths of a turn counter-clockwise from +x)."""
    squash = 1.0 + 0.06 * math.sin(row * math.pi / 4)
    body_r = 13.0
    cx, cy = CELL / 2, CELL / 2 + 2
    ellipse(pic, cx, cy, body_r * squash, body_r / squash, (250, 250, 250, 255), ox, oy)
    # A lighter cap and a shaded base give it volume.
    ellipse(pic, cx - 3, cy - 6, 5, 3, (255, 255, 255, 200), ox, oy)
    ellipse(pic, cx, cy + 9, 9, 3, (200, 200, 200, 160), ox, oy)
    angle = column * math.pi / 4
    lx, ly = math.cos(angle) * 3.5, -math.sin(angle) * 3.5
    for side in (-1, 1):
        ex, ey = cx + side * 5, cy - 3
        if row == 8:
            # Win animation: closed, happy eyes.
            for t in range(-3, 4):
                disc(pic, ex + t, ey - 1 + abs(t) * 0.6, 0.9, (30, 30, 30, 255), ox, oy)
        else:
            disc(pic, ex, ey, 4.2, (255, 255, 255, 255), ox, oy)
            disc(pic, ex + lx * 0.6, ey + ly * 0.6, 2.2, (20, 20, 30, 255), ox, oy)
    if row == 8:
        ellipse(pic, cx, cy + 5, 4, 2.2, (60, 20, 20, 255), ox, oy)


def creature_sheet():
    pic = Picture(8 * CELL, 10 * CELL)
    for row in range(10):
        for column in range(8):
            creature_cell(pic, column, row, column * CELL, row * CELL)
    return pic


def stretch_picture():
    """The creature pulled out along +x (the whip vector), a teardrop."""
    pic = Picture(64, 32)
    for x in range(64):
        t = x / 63.0
        r = 4 + 11 * math.sin(math.pi * min(1.0, t * 1.15)) ** 0.7
        for y in range(32):
            d = abs(y + 0.5 - 16)
            pic.blend(x, y, (245, 245, 245, 255), r - d + 0.5)
    disc(pic, 44, 12, 3.5, (255, 255, 255, 255))
    disc(pic, 44, 20, 3.5, (255, 255, 255, 255))
    disc(pic, 46, 12, 1.8, (20, 20, 30, 255))
    disc(pic, 46, 20, 1.8, (20, 20, 30, 255))
    return pic


def turn_marker():
    pic = Picture(64, 64)
    for y in range(64):
        for x in range(64):
            d = math.hypot(x + 0.5 - 32, y + 0.5 - 32) / 32
            if d < 1:
                pic.put(x, y, (255, 240, 160, 200 * (1 - d) ** 1.5))
    return pic


# ---- effects ---------------------------------------------------------------------

def explosion_sheet():
    """16 frames, left to right and top to bottom: a flash that grows into a fading ring."""
    cell = 64
    pic = Picture(4 * cell, 4 * cell)
    rnd = random.Random(24)
    for frame in range(16):
        ox, oy = (frame % 4) * cell, (frame // 4) * cell
        t = frame / 15.0
        radius = 6 + 24 * math.sqrt(t)
        fade = 1.0 - t
        for y in range(cell):
            for x in range(cell):
                d = math.hypot(x + 0.5 - 32, y + 0.5 - 32)
                core = max(0.0, 1 - d / radius)
                ring = max(0.0, 1 - abs(d - radius) / 4.0)
                a = min(1.0, core * 1.6 * (1 - t) + ring * fade)
                if a > 0:
                    colour = mix((255, 250, 200), (230, 90, 20), min(1.0, d / radius))
                    pic.put(ox + x, oy + y, (colour[0], colour[1], colour[2], 255 * a))
        for _ in range(6):
            angle = rnd.uniform(0, 2 * math.pi)
            dd = radius * rnd.uniform(0.6, 1.1)
            disc(pic, 32 + math.cos(angle) * dd, 32 + math.sin(angle) * dd, 2.5 * fade + 0.5,
                 (90, 80, 70, 220 * fade), ox, oy)
    return pic


def soft_dot(size, rgb):
    pic = Picture(size, size)
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - size / 2, y + 0.5 - size / 2) / (size / 2)
            if d < 1:
                pic.put(x, y, (rgb[0], rgb[1], rgb[2], 255 * (1 - d * d)))
    return pic


def brick_particle():
    pic = Picture(16, 16)
    for y in range(4, 12):
        for x in range(2, 14):
            pic.put(x, y, (200, 150, 100, 255) if (x + y) % 5 else (150, 100, 60, 255))
    return pic


def marker_strip():
    """16 cells of 16 x 16: aim dots fading from strong to faint, cell 0 the strongest."""
    pic = Picture(256, 16)
    for i in range(16):
        t = i / 15.0
        disc(pic, 8, 8, 6.5 - 2.5 * t, (255, 255, 255, 255 - 120 * t), i * 16, 0)
        disc(pic, 8, 8, 3.0 - 1.2 * t, (40, 40, 40, 255 - 120 * t), i * 16, 0)
    return pic


def projectile(rgb):
    pic = Picture(32, 32)
    disc(pic, 16, 16, 13, (rgb[0] * 0.6, rgb[1] * 0.6, rgb[2] * 0.6, 255))
    disc(pic, 15, 15, 11, (rgb[0], rgb[1], rgb[2], 255))
    disc(pic, 11, 11, 3.5, (255, 255, 255, 200))
    return pic


# ---- blocks ----------------------------------------------------------------------

def block_style(style):
    """The shape of a block, stretched over it: near white so the material shows through,
    with a bevel that lights the upper left and shades the lower right."""
    size = 64
    pic = Picture(size, size)
    radius = (2, 8, 4, 14)[style]
    for y in range(size):
        for x in range(size):
            # Rounded-corner coverage.
            cx = min(max(x + 0.5, radius), size - radius)
            cy = min(max(y + 0.5, radius), size - radius)
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            cover = max(0.0, min(1.0, radius - d + 0.5)) if radius > 0 else 1.0
            if cover <= 0:
                continue
            edge = min(x, y, size - 1 - x, size - 1 - y)
            light = 235
            if edge < 5:
                light = 255 if (x < size - y) else 150
            if style == 2 and (y % 16 == 0 or (x + (y // 16) * 8) % 32 == 0):
                light = 170      # brick joints
            if style == 3 and x % 21 == 0 and 6 < y < 58:
                light = 180      # plank seams
            pic.put(x, y, (light, light, light, 255 * cover))
    return pic


MATERIALS = {
    "Paper": (226, 208, 168),
    "Metal": (150, 160, 172),
    "Ice": (180, 225, 250),
    "Bounce": (120, 210, 110),
}


def material_texture(name, variant):
    """A tileable 64 x 64 surface: the material's colour with a pattern of its own;
    variants get darker and more worn."""
    base = MATERIALS[name]
    rnd = random.Random(len(name) * 7 + variant)
    size = 64
    pic = Picture(size, size)
    dark = 1.0 - 0.12 * variant
    for y in range(size):
        for x in range(size):
            n = rnd.uniform(-10, 10)
            if name == "Paper":
                n += 8 * math.sin((x + y * 0.3) * 2 * math.pi / 16)
            elif name == "Metal":
                n += 14 * math.sin(y * 2 * math.pi / 8)
                if (x % 32 in (5, 6) and y % 32 in (5, 6)):
                    n -= 60       # rivets
            elif name == "Ice":
                n += 18 * max(0.0, math.sin((x - y) * 2 * math.pi / 32)) ** 8
            else:
                if math.hypot((x % 16) - 8, (y % 16) - 8) < 4:
                    n += 40       # springy dots
            c = [min(255, max(0, (base[i] + n) * dark)) for i in range(3)]
            pic.put(x, y, (c[0], c[1], c[2], 255))
    # Worn variants get cracks.
    for _ in range(variant * 3):
        x, y = rnd.randrange(size), rnd.randrange(size)
        for _ in range(20):
            pic.put(x % size, y % size, (60, 50, 40, 255))
            x += rnd.choice((-1, 0, 1))
            y += 1
    return pic


# ---- water and backgrounds -------------------------------------------------------

def water_base():
    pic = Picture(64, 64)
    for y in range(64):
        c = mix((40, 110, 190), (10, 30, 90), y / 63.0)
        for x in range(64):
            pic.put(x, y, (c[0], c[1], c[2], 235))
    return pic


def waves():
    """Two strips, each a row of crests repeating across: the upper half is the second
    wave strip, the lower half the first."""
    pic = Picture(64, 64)
    for half, colour in ((0, (70, 150, 220)), (1, (50, 130, 205))):
        top = half * 32
        for x in range(64):
            crest = 10 + 5 * math.sin(x * 2 * math.pi / 64 + half * 1.5)
            for y in range(32):
                if y + 0.5 > crest:
                    foam = max(0.0, 1 - (y - crest) / 3)
                    c = mix(colour, (230, 245, 255), foam)
                    pic.put(x, top + y, (c[0], c[1], c[2], 255))
                else:
                    pic.put(x, top + y, (colour[0], colour[1], colour[2], 0))
    return pic


def background(seed, sky_top, hill, peaks):
    """Hills against transparent sky (the play screen's gradient shows through)."""
    rnd = random.Random(seed)
    w, h = 256, 128
    pic = Picture(w, h)
    phases = [rnd.uniform(0, 2 * math.pi) for _ in range(3)]
    for x in range(w):
        t = x / w * 2 * math.pi
        ridge = h * (0.55 - 0.12 * math.sin(t * peaks + phases[0])
                     - 0.06 * math.sin(t * peaks * 2.3 + phases[1]))
        for y in range(h):
            if y + 0.5 > ridge:
                depth = (y - ridge) / (h - ridge + 1)
                c = mix(hill, sky_top, 0.35 * (1 - depth))
                pic.put(x, y, (c[0], c[1], c[2], 255))
    return pic


# ---- HUD -------------------------------------------------------------------------

def stroke(pic, x0, y0, x1, y1, width, rgba):
    """An anti-aliased line segment with round ends."""
    r = width / 2.0
    for y in range(int(min(y0, y1) - r - 1), int(max(y0, y1) + r + 2)):
        for x in range(int(min(x0, x1) - r - 1), int(max(x0, x1) + r + 2)):
            px, py = x + 0.5, y + 0.5
            dx, dy = x1 - x0, y1 - y0
            length2 = dx * dx + dy * dy
            t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
            d = math.hypot(px - (x0 + t * dx), py - (y0 + t * dy))
            pic.blend(x, y, rgba, r + 0.5 - d)


def ring(pic, cx, cy, r, width, rgba, start=0.0, end=2 * math.pi):
    """An arc of a circle, angles clockwise from +x on screen."""
    steps = max(8, int(r * (end - start)))
    for i in range(steps):
        a0 = start + (end - start) * i / steps
        a1 = start + (end - start) * (i + 1) / steps
        stroke(pic, cx + r * math.cos(a0), cy + r * math.sin(a0),
               cx + r * math.cos(a1), cy + r * math.sin(a1), width, rgba)


def button_base(rgb):
    """A round 64 x 64 button: a darker rim around a lit face."""
    pic = Picture(64, 64)
    disc(pic, 32, 32, 30, tuple(int(c * 0.55) for c in rgb) + (255,))
    disc(pic, 32, 32, 26.5, tuple(rgb) + (255,))
    disc(pic, 27, 25, 12, (255, 255, 255, 60))
    return pic


WHITE = (255, 255, 255, 255)
INK = (30, 30, 40, 255)
RED = (220, 70, 55)
BLUE = (60, 120, 230)


def icon_jump(rgb):
    pic = button_base(rgb)
    stroke(pic, 32, 46, 32, 20, 6, WHITE)
    stroke(pic, 32, 16, 21, 28, 6, WHITE)
    stroke(pic, 32, 16, 43, 28, 6, WHITE)
    return pic


def bomb(pic, cx, cy, r, body):
    disc(pic, cx, cy, r, body)
    disc(pic, cx - r * 0.35, cy - r * 0.35, r * 0.3, (255, 255, 255, 90))
    stroke(pic, cx + r * 0.6, cy - r * 0.6, cx + r * 0.95, cy - r * 1.1, 3, (120, 90, 50, 255))
    disc(pic, cx + r * 1.0, cy - r * 1.2, 2.5, (255, 200, 40, 255))


def icon_bomb(rgb):
    pic = button_base(rgb)
    bomb(pic, 30, 35, 12, INK)
    return pic


def icon_sticky():
    pic = button_base((90, 170, 60))
    bomb(pic, 30, 33, 12, (40, 110, 30, 255))
    for x in (24, 31, 38):
        stroke(pic, x, 44, x, 50, 4, (150, 230, 90, 255))
    return pic


def icon_whip(rgb):
    pic = button_base(rgb)
    stroke(pic, 18, 46, 26, 36, 6, (110, 70, 40, 255))
    ring(pic, 34, 30, 10, 3, WHITE, math.pi * 0.8, math.pi * 2.1)
    stroke(pic, 44, 30, 48, 20, 3, WHITE)
    return pic


def icon_snow():
    pic = button_base((120, 180, 230))
    for k in range(3):
        a = k * math.pi / 3
        stroke(pic, 32 - 14 * math.cos(a), 32 - 14 * math.sin(a),
               32 + 14 * math.cos(a), 32 + 14 * math.sin(a), 4, WHITE)
    disc(pic, 32, 32, 4, WHITE)
    return pic


def icon_cluster():
    pic = button_base((230, 150, 40))
    bomb(pic, 24, 38, 8, INK)
    bomb(pic, 38, 40, 7, INK)
    bomb(pic, 31, 26, 7, INK)
    return pic


def icon_none():
    pic = button_base((140, 140, 150))
    disc(pic, 32, 32, 12, (90, 90, 100, 255))
    stroke(pic, 20, 44, 44, 20, 5, (200, 60, 60, 255))
    return pic


def icon_exit():
    pic = button_base((200, 90, 70))
    stroke(pic, 22, 22, 42, 42, 6, WHITE)
    stroke(pic, 42, 22, 22, 42, 6, WHITE)
    return pic


def icon_yes():
    pic = button_base((70, 170, 80))
    stroke(pic, 19, 33, 28, 43, 7, WHITE)
    stroke(pic, 28, 43, 46, 22, 7, WHITE)
    return pic


def icon_no():
    pic = button_base((210, 70, 60))
    stroke(pic, 22, 22, 42, 42, 7, WHITE)
    stroke(pic, 42, 22, 22, 42, 7, WHITE)
    return pic


def icon_next():
    pic = button_base((70, 150, 220))
    for y in range(18, 47):
        span = 16 * (1 - abs(y - 32) / 14.5)
        stroke(pic, 24, y, 24 + span, y, 1.5, WHITE)
    return pic


def icon_chat():
    pic = button_base((240, 200, 70))
    ellipse(pic, 32, 29, 16, 11, WHITE)
    stroke(pic, 24, 36, 20, 46, 5, WHITE)
    for x in (25, 32, 39):
        disc(pic, x, 29, 2.2, INK)
    return pic


def icon_restart():
    pic = button_base((110, 110, 200))
    ring(pic, 32, 32, 13, 5, WHITE, math.pi * 0.35, math.pi * 1.9)
    tip = (32 + 13 * math.cos(math.pi * 1.9), 32 + 13 * math.sin(math.pi * 1.9))
    for dy in range(-7, 8):
        stroke(pic, tip[0] - 2, tip[1] + dy, tip[0] + 7 - abs(dy), tip[1] + dy * 0.3, 1.5, WHITE)
    return pic


def timer_picture():
    pic = Picture(64, 64)
    disc(pic, 32, 34, 27, (60, 60, 70, 255))
    disc(pic, 32, 34, 23, (250, 250, 240, 255))
    stroke(pic, 32, 34, 32, 18, 4, INK)
    stroke(pic, 32, 34, 43, 40, 3, INK)
    stroke(pic, 26, 4, 38, 4, 5, (60, 60, 70, 255))
    return pic


def loader_wheel():
    pic = Picture(64, 64)
    for k in range(8):
        a = k * math.pi / 4
        disc(pic, 32 + 22 * math.cos(a), 32 + 22 * math.sin(a), 5.5,
             (255, 255, 255, 70 + 185 * k // 7))
    return pic


def zoom_bar():
    pic = Picture(32, 128)
    for y in range(128):
        for x in range(32):
            inside = 8 <= x < 24 and 4 <= y < 124
            if inside:
                t = y / 127.0
                c = mix((250, 250, 250), (120, 140, 170), t)
                pic.put(x, y, (c[0], c[1], c[2], 200))
    for y in (8, 64, 120):
        stroke(pic, 4, y, 28, y, 2, (40, 40, 60, 220))
    return pic


def zoom_indicator():
    pic = Picture(32, 32)
    disc(pic, 16, 16, 14, (40, 40, 60, 255))
    disc(pic, 16, 16, 10, (255, 210, 60, 255))
    return pic


def hud_pictures():
    return {
        "gloobloader.png": loader_wheel(),
        "exits.png": icon_exit(),
        "bomb_snow.png": icon_snow(),
        "bomb_cluster.png": icon_cluster(),
        "bomb_none.png": icon_none(),
        "confirmation_yes.png": icon_yes(),
        "confirmation_no.png": icon_no(),
        "timer_gloob.png": timer_picture(),
        "jump_00.png": icon_jump(RED),
        "bomb_00.png": icon_bomb(RED),
        "whip_00.png": icon_whip(RED),
        "jump_01.png": icon_jump(BLUE),
        "bomb_01.png": icon_bomb(BLUE),
        "whip_01.png": icon_whip(BLUE),
        "bomb_sticky.png": icon_sticky(),
        "nextround.png": icon_next(),
        "chatbutton.png": icon_chat(),
        "training_restart.png": icon_restart(),
        "zoom_bar.png": zoom_bar(),
        "zoom_indicator.png": zoom_indicator(),
    }


# ---- output ----------------------------------------------------------------------

def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: placeholderart.py <output folder>\n")
        return 2
    out = argv[1]
    pictures = {
        "dataPlayers": {
            "player0_animations.png": creature_sheet(),
            "player1_animations.png": creature_sheet(),
            "player0_stretch.png": stretch_picture(),
            "player1_stretch.png": stretch_picture(),
            "player_background.png": turn_marker(),
        },
        "dataEffects": {
            "explosion.png": explosion_sheet(),
            "particle_brix.png": brick_particle(),
            "particle_dot.png": soft_dot(16, (255, 255, 255)),
            "marker.png": marker_strip(),
            "projectile_red.png": projectile((230, 70, 50)),
            "projectile_blue.png": projectile((60, 130, 240)),
            "projectile_sticky.png": projectile((120, 200, 60)),
            "projectile_snowball.png": projectile((240, 245, 255)),
        },
        "dataTextures": {
            "water_base.png": water_base(),
            "waves.png": waves(),
            "background_battle.png": background(2, (150, 190, 230), (70, 120, 70), 3),
            "background_unique.png": background(3, (170, 200, 235), (110, 120, 150), 2),
        },
        "dataUI": hud_pictures(),
    }
    for style in range(4):
        pictures["dataTextures"]["blockstyle%02d.png" % (style + 1)] = block_style(style)
    for name in MATERIALS:
        for variant in range(3):
            pictures["dataTextures"]["Texture_%s%02d.png" % (name, variant + 1)] = \
                material_texture(name, variant)
    for pack, files in pictures.items():
        # Entries are found by "/" and their file name, so they sit in a folder of the pack.
        folder = os.path.join(out, pack, "images")
        os.makedirs(folder, exist_ok=True)
        for name, pic in files.items():
            pic.save(os.path.join(folder, name))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
