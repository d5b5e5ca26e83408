#!/usr/bin/env python3
"""Writes the sample level sources (*.txt, read by tools/leveltool) into this folder.

Every position is in grid cells: one cell is 0.025 world units, x runs -128..127 and y
-128..127 with the water line at y 0. A creature is a box of 2 cells half size; it is
placed a few cells above the block it lands on. Run again after a change and commit the
texts; CMake builds them into .scn files.
"""
import os
import sys

# Half width and half height in cells of each block type.
HALF = [(2, 2), (4, 4), (6, 6), (8, 8), (10, 10), (12, 12), (4, 2), (6, 2), (8, 2), (10, 2),
        (12, 2), (2, 4), (2, 6), (2, 8), (2, 10), (2, 12), (4, 6), (4, 8), (4, 10), (4, 12),
        (8, 4), (8, 6), (8, 10), (8, 12), (12, 4), (12, 6), (12, 8), (12, 10), (6, 4), (8, 4),
        (10, 4), (12, 4), (4, 8), (6, 8), (10, 8), (12, 8), (4, 12), (6, 12), (8, 12), (10, 12)]

PAPER, METAL, ICE, BOUNCY = 0, 1, 2, 3
CREATURE_HALF = 2
DROP = 3            # cells between a block's top and the creature's bottom


class Level:
    def __init__(self, name, comment):
        self.name = name
        self.comment = comment
        self.blocks = []       # (x, y, type, material, flags, layer)
        self.entries = {0: [], 1: []}
        self.markers = []

    def block(self, x, y, t, m=PAPER, f=0, layer=1):
        self.blocks.append((x, y, t, m, f, layer))

    def slab(self, left, top, count, t=10, m=PAPER, f=0, layer=1):
        """count blocks of type t side by side from x = left, their tops at top."""
        hx, hy = HALF[t]
        for i in range(count):
            self.block(left + hx + 2 * hx * i, top - hy, t, m, f, layer)
        return left + 2 * hx * count

    def pillar(self, x, bottom, count, t=1, m=METAL, f=0, layer=1):
        """count blocks of type t stacked from y = bottom; returns the top."""
        hx, hy = HALF[t]
        for i in range(count):
            self.block(x, bottom + hy + 2 * hy * i, t, m, f, layer)
        return bottom + 2 * hy * count

    def marker(self, x, y):
        self.markers.append((x, y))

    def box(self, b):
        x, y, t = b[0], b[1], b[2]
        hx, hy = HALF[t]
        return x - hx, y - hy, x + hx, y + hy

    def stand(self, player, x, top=None):
        """A start entry of the player above the block top under x: the topmost one, or
        the one whose top is given (the space up to the creature must then be free)."""
        left, right = x - CREATURE_HALF, x + CREATURE_HALF
        tops = []
        for b in self.blocks:
            l, bt, r, tp = self.box(b)
            if l < right and r > left:
                tops.append((tp, bt, l, r))
        if not tops:
            raise SystemExit("%s: nothing under x %d" % (self.name, x))
        if top is None:
            top = max(t for t, _, _, _ in tops)
        y = top + DROP + CREATURE_HALF
        for t, bt, l, r in tops:
            if bt < y + CREATURE_HALF and t > top:
                raise SystemExit("%s: a block is in the way at x %d" % (self.name, x))
        # The creature must rest on blocks of that height across its whole width.
        covered = sorted((l, r) for t, _, l, r in tops if t == top)
        if not covered or covered[0][0] > left:
            raise SystemExit("%s: creature at x %d hangs off the left" % (self.name, x))
        reach = covered[0][0]
        for l, r in covered:
            if l > reach:
                break
            reach = max(reach, r)
        if reach < right:
            raise SystemExit("%s: creature at x %d hangs off the right" % (self.name, x))
        self.entries[player].append((x, y))

    def check(self):
        for p in (0, 1):
            if len(self.entries[p]) != 3:
                raise SystemExit("%s: player %d has %d entries" % (self.name, p, len(self.entries[p])))
            if len(set(self.entries[p])) != 3:
                raise SystemExit("%s: player %d entries not distinct" % (self.name, p))
        for (x0, y0) in self.entries[0]:
            for (x1, y1) in self.entries[1]:
                if abs(x0 - x1) < 4 * CREATURE_HALF + 2 and abs(y0 - y1) < 4 * CREATURE_HALF + 2:
                    raise SystemExit("%s: creatures too close" % self.name)
        if len(self.blocks) > 223:
            raise SystemExit("%s: %d blocks" % (self.name, len(self.blocks)))
        boxes = [self.box(b) for b in self.blocks]
        for i, a in enumerate(boxes):
            if a[1] < 0:
                raise SystemExit("%s: block %d under the water line" % (self.name, i))
            if a[0] < -128 or a[2] > 127 or a[3] > 127:
                raise SystemExit("%s: block %d outside the grid" % (self.name, i))
            for j in range(i):
                b = boxes[j]
                if a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]:
                    raise SystemExit("%s: blocks %d and %d overlap" % (self.name, j, i))
        for p in (0, 1):
            for (x, y) in self.entries[p]:
                if not (-126 <= x <= 125 and 0 < y <= 125):
                    raise SystemExit("%s: entry outside the grid" % self.name)

    def text(self):
        lines = ["# %s: %s" % (self.name, self.comment),
                 "# Made by generate.py; edit that and run it again.", "version 110"]
        for p in (0, 1):
            for (x, y) in self.entries[p]:
                lines.append("entry %d %d %d" % (p, x, y))
        for b in self.blocks:
            lines.append("block %d %d %d %d %d %d" % b)
        for (x, y) in self.markers:
            lines.append("marker %d %d" % (x, y))
        return "\n".join(lines) + "\n"


# ---------------------------------------------------------------- training scenes

def training():
    levels = []

    # 01: the jump alone wins: the opponent stands at the right end of a ledge over water.
    L = Level("01", "jump into the opponent and push it off its ledge")
    L.slab(-100, 20, 5, 10)                       # a floor from -100 to 20
    L.pillar(-12, 20, 2, 1, METAL)                # a step to hop over
    L.slab(28, 20, 2, 8, METAL)                   # the ledge, 28..60, water beyond
    L.stand(0, 0); L.stand(0, -40); L.stand(0, -70)
    L.stand(1, 58); L.stand(1, 50); L.stand(1, 42)
    levels.append(L)

    # 02: two floors and a gap.
    L = Level("02", "a gap between two floors")
    L.slab(-110, 24, 4, 10)
    L.slab(20, 24, 4, 10)
    L.stand(0, -70); L.stand(0, -90); L.stand(0, -50)
    L.stand(1, 70); L.stand(1, 90); L.stand(1, 50)
    levels.append(L)

    # 03: a paper wall to bomb through.
    L = Level("03", "bomb the paper wall")
    L.slab(-110, 20, 9, 10)
    L.pillar(0, 20, 4, 11, PAPER)
    L.stand(0, -70); L.stand(0, -90); L.stand(0, -40)
    L.stand(1, 70); L.stand(1, 90); L.stand(1, 40)
    levels.append(L)

    # 04: the opponent on a tower.
    L = Level("04", "reach the tower")
    L.slab(-110, 16, 5, 10)
    L.pillar(60, 0, 3, 2, METAL)
    L.slab(44, 52, 1, 10, PAPER)
    L.stand(0, -60); L.stand(0, -90); L.stand(0, -30)
    L.stand(1, 60); L.stand(1, 50); L.stand(1, 66)
    levels.append(L)

    # 05: stairs down to the opponent.
    L = Level("05", "stairs")
    for i in range(5):
        L.slab(-110 + 40 * i, 60 - 10 * i, 2, 9, PAPER if i % 2 else METAL)
    L.stand(0, -100); L.stand(0, -80); L.stand(0, -60)
    L.stand(1, 80); L.stand(1, 60); L.stand(1, 74)
    levels.append(L)

    # 06: a bouncy floor in the middle.
    L = Level("06", "bouncy middle")
    L.slab(-110, 20, 3, 10, METAL)
    L.slab(-38, 12, 3, 10, BOUNCY, 1)
    L.slab(34, 20, 3, 10, METAL)
    L.stand(0, -90); L.stand(0, -70); L.stand(0, -50)
    L.stand(1, 90); L.stand(1, 70); L.stand(1, 50)
    levels.append(L)

    # 07: ice bridge.
    L = Level("07", "an ice bridge")
    L.pillar(-88, 0, 2, 4, METAL)
    L.pillar(88, 0, 2, 4, METAL)
    L.slab(-100, 48, 1, 24, METAL)
    L.slab(-76, 48, 19, 6, ICE, 2)
    L.slab(76, 48, 1, 24, METAL)
    L.stand(0, -92); L.stand(0, -84); L.stand(0, -60)
    L.stand(1, 92); L.stand(1, 84); L.stand(1, 60)
    levels.append(L)

    # 08: a roof over the opponent.
    L = Level("08", "under the roof")
    L.slab(-110, 20, 9, 10)
    L.pillar(40, 20, 3, 13, METAL)
    L.pillar(100, 20, 3, 13, METAL)
    L.slab(36, 72, 6, 7, PAPER)
    L.stand(0, -80); L.stand(0, -60); L.stand(0, -40)
    L.stand(1, 70, 20); L.stand(1, 60, 20); L.stand(1, 80, 20)
    levels.append(L)

    # 09: two islands and a pillar between.
    L = Level("09", "islands")
    L.slab(-100, 16, 3, 10)
    L.slab(28, 16, 3, 10)
    L.pillar(0, 0, 5, 1, METAL)
    L.stand(0, -80); L.stand(0, -60); L.stand(0, -90)
    L.stand(1, 80); L.stand(1, 60); L.stand(1, 90)
    levels.append(L)

    # 10: opponent in a cup.
    L = Level("10", "the cup")
    L.slab(-110, 20, 9, 10, METAL)
    L.pillar(30, 20, 2, 13, PAPER)
    L.pillar(90, 20, 2, 13, PAPER)
    L.stand(0, -80); L.stand(0, -50); L.stand(0, -20)
    L.stand(1, 60); L.stand(1, 50); L.stand(1, 70)
    levels.append(L)

    # 11: high ground for the opponent.
    L = Level("11", "high ground")
    L.slab(-110, 12, 5, 10)
    L.pillar(70, 0, 3, 5, METAL)
    L.slab(46, 84, 2, 10, ICE, 2)
    L.stand(0, -90); L.stand(0, -60); L.stand(0, -30)
    L.stand(1, 60); L.stand(1, 80); L.stand(1, 52)
    levels.append(L)

    # 12: walls on both sides.
    L = Level("12", "walls")
    L.slab(-110, 20, 9, 10, METAL)
    for x in (-30, 0, 30):
        L.pillar(x, 20, 2, 12, PAPER, 1)
    L.stand(0, -90); L.stand(0, -70); L.stand(0, -50)
    L.stand(1, 90); L.stand(1, 70); L.stand(1, 50)
    levels.append(L)

    # 13: floating platforms.
    L = Level("13", "floating platforms")
    L.slab(-110, 20, 2, 10)
    L.slab(-60, 44, 1, 10, ICE, 2)
    L.slab(-12, 64, 1, 8, BOUNCY, 1)
    L.slab(30, 44, 1, 10, ICE, 2)
    L.slab(62, 20, 2, 10)
    L.stand(0, -100); L.stand(0, -80); L.stand(0, -50)
    L.stand(1, 100); L.stand(1, 80); L.stand(1, 42)
    levels.append(L)

    # 14: a paper fortress.
    L = Level("14", "paper fortress")
    L.slab(-110, 16, 9, 10, METAL)
    L.pillar(40, 16, 4, 1, PAPER)
    L.pillar(96, 16, 4, 1, PAPER)
    L.slab(36, 52, 8, 6, PAPER, 3)
    L.pillar(68, 16, 1, 1, PAPER)
    L.stand(0, -90); L.stand(0, -60); L.stand(0, -30)
    L.stand(1, 56, 16); L.stand(1, 80, 16); L.stand(1, 60)
    levels.append(L)

    # 15: everything at once.
    L = Level("15", "the final test")
    L.slab(-110, 24, 3, 10, METAL)
    L.slab(-38, 14, 3, 10, BOUNCY, 1)
    L.slab(34, 24, 3, 10, METAL)
    L.pillar(-24, 14, 3, 1, PAPER)
    L.pillar(24, 14, 3, 1, PAPER)
    L.slab(-30, 42, 5, 7, ICE, 2)
    L.pillar(70, 24, 2, 2, PAPER)
    L.stand(0, -90); L.stand(0, -74); L.stand(0, -50)
    L.stand(1, 96); L.stand(1, 70); L.stand(1, 50)
    levels.append(L)
    return levels


# ---------------------------------------------------------------- battle scenes

def both_halves(L, build):
    """Runs build for the right half (s = 1) and mirrored for the left one (s = -1)."""
    for side in (-1, 1):
        build(L, side)


def mslab(L, s, left, top, count, t=10, m=PAPER, f=0, layer=1):
    """A slab given for the right half, mirrored when s is -1."""
    width = 2 * HALF[t][0] * count
    L.slab(left if s > 0 else -(left + width), top, count, t, m, f, layer)


def mstand(L, spots):
    """Start entries given for player 1 as (x, top); player 0 gets the mirror image."""
    for x, top in spots:
        L.stand(0, -x, top)
    for x, top in spots:
        L.stand(1, x, top)


def battle():
    levels = []

    L = Level("Balconies", "three balconies on each tower")
    def b(L, s):
        L.pillar(s * 104, 0, 4, 19, METAL)
        for i, top in enumerate((30, 58, 86)):
            mslab(L, s, 72, top, 1, 24, ICE if i == 1 else PAPER, i)
        mslab(L, s, 0, 12, 2, 10, METAL)
    both_halves(L, b)
    mstand(L, [(84, 30), (84, 58), (84, 86)])
    levels.append(L)

    L = Level("Bridge", "a paper bridge between two stone piers")
    def b(L, s):
        L.pillar(s * 94, 0, 3, 4, METAL)
        mslab(L, s, 0, 60, 7, 7, PAPER, 1)
        mslab(L, s, 20, 12, 2, 10, METAL, 2)
    both_halves(L, b)
    mstand(L, [(94, 60), (60, 60), (40, 12)])
    levels.append(L)

    L = Level("Castle", "two castles across a moat")
    def b(L, s):
        mslab(L, s, 12, 16, 4, 10, METAL)
        L.pillar(s * 100, 16, 4, 2, METAL, 1)
        L.pillar(s * 40, 16, 2, 13, PAPER, 2)
        L.block(s * 104, 66, 0, PAPER, 3)
    both_halves(L, b)
    mstand(L, [(97, 64), (70, 16), (24, 16)])
    levels.append(L)

    L = Level("Cave_In", "a paper roof that comes down")
    def b(L, s):
        mslab(L, s, 10, 16, 9, 7, METAL)
        L.pillar(s * 20, 16, 2, 14, METAL, 1)
        L.pillar(s * 110, 16, 2, 14, METAL, 1)
        mslab(L, s, 16, 60, 8, 7, PAPER, 2)
    both_halves(L, b)
    mstand(L, [(40, 16), (64, 16), (90, 16)])
    levels.append(L)

    L = Level("Farm", "a field, a fence and a barn")
    def b(L, s):
        mslab(L, s, 0, 20, 5, 10, PAPER)
        L.pillar(s * 80, 20, 2, 13, PAPER, 1)
        L.pillar(s * 104, 20, 2, 13, PAPER, 1)
        mslab(L, s, 74, 56, 3, 7, PAPER, 2)
        L.pillar(s * 30, 20, 1, 11, PAPER, 3)
        L.pillar(s * 50, 20, 1, 11, PAPER, 3)
    both_halves(L, b)
    mstand(L, [(92, 20), (62, 20), (16, 20)])
    levels.append(L)

    L = Level("Golden_Stairs", "golden stairs up to each side")
    def b(L, s):
        for i in range(5):
            mslab(L, s, 10 + 20 * i, 12 + 10 * i, 1, 9, ICE, 3)
    both_halves(L, b)
    mstand(L, [(100, 52), (60, 32), (20, 12)])
    levels.append(L)

    L = Level("Graveyard", "tombstones in a row")
    def b(L, s):
        mslab(L, s, 0, 16, 5, 10, METAL)
        for x in (30, 56, 82):
            top = L.pillar(s * x, 16, 1, 12, PAPER, 1)
            L.block(s * x, top + 2, 6, PAPER, 1, 2)
    both_halves(L, b)
    mstand(L, [(43, 16), (69, 16), (100, 16)])
    levels.append(L)

    L = Level("Henge", "standing stones with lintels")
    def b(L, s):
        mslab(L, s, 0, 12, 5, 10, METAL)
        L.pillar(s * 30, 12, 1, 19, METAL, 1)
        L.pillar(s * 58, 12, 1, 19, METAL, 1)
        mslab(L, s, 26, 40, 1, 10, PAPER, 2)
        mslab(L, s, 50, 40, 1, 7, PAPER, 2)
        L.pillar(s * 100, 12, 2, 19, METAL, 1)
    both_halves(L, b)
    mstand(L, [(44, 12), (44, 40), (84, 12)])
    levels.append(L)

    L = Level("Jungle", "islands, trees and bouncy leaves")
    def b(L, s):
        mslab(L, s, 20, 14, 2, 10, PAPER)
        mslab(L, s, 84, 14, 1, 10, PAPER)
        L.pillar(s * 44, 14, 2, 14, PAPER, 1)
        mslab(L, s, 32, 62, 2, 28, BOUNCY, 2)
    both_halves(L, b)
    mstand(L, [(60, 14), (96, 14), (38, 62)])
    levels.append(L)

    L = Level("Land_Ahoy", "two ships at sea")
    def b(L, s):
        mslab(L, s, 30, 16, 3, 24, METAL)
        L.pillar(s * 66, 16, 3, 14, PAPER, 1)
        L.block(s * 66, 78, 6, PAPER, 2)
        L.pillar(s * 94, 16, 1, 1, PAPER, 3)
    both_halves(L, b)
    mstand(L, [(40, 16), (52, 16), (94, 24)])
    levels.append(L)

    L = Level("Medieval_Madness", "paper towers everywhere")
    def b(L, s):
        mslab(L, s, 0, 12, 5, 10, METAL)
        L.pillar(s * 30, 12, 3, 1, PAPER, 1)
        L.pillar(s * 60, 12, 2, 2, PAPER, 2)
        L.pillar(s * 90, 12, 4, 1, PAPER, 3)
        L.pillar(s * 110, 12, 2, 0, PAPER, 1)
    both_halves(L, b)
    mstand(L, [(30, 36), (60, 36), (90, 44)])
    levels.append(L)

    L = Level("Old_Mill", "a windmill on each bank")
    def b(L, s):
        mslab(L, s, 10, 12, 4, 10, METAL)
        L.pillar(s * 90, 12, 3, 3, PAPER, 1)
        L.block(s * 90, 62, 10, METAL, 2)
        L.pillar(s * 90, 64, 2, 15, METAL, 2)
    both_halves(L, b)
    mstand(L, [(40, 12), (60, 12), (82, 64)])
    levels.append(L)

    L = Level("Paradise", "palm islands in warm water")
    def b(L, s):
        mslab(L, s, 16, 14, 1, 10, ICE, 2)
        mslab(L, s, 60, 20, 2, 10, PAPER)
        L.pillar(s * 96, 20, 2, 14, PAPER, 1)
        L.block(s * 96, 62, 10, BOUNCY, 3)
    both_halves(L, b)
    mstand(L, [(28, 14), (72, 20), (96, 64)])
    levels.append(L)

    L = Level("Piece_of_Cake", "a layered cake between two plates")
    L.slab(-60, 16, 5, 10, METAL)
    L.slab(-48, 24, 4, 24, PAPER, 1)
    L.slab(-36, 32, 3, 24, PAPER, 2)
    L.slab(-12, 40, 1, 24, ICE, 3)
    L.block(0, 42, 0, BOUNCY, 1)
    both_halves(L, lambda L, s: mslab(L, s, 76, 16, 2, 10, METAL))
    mstand(L, [(100, 16), (54, 16), (42, 24)])
    levels.append(L)

    L = Level("Pillars", "metal pillars with ice caps")
    def b(L, s):
        for x, n in ((20, 2), (48, 3), (76, 4), (104, 3)):
            top = L.pillar(s * x, 0, n, 17, METAL, 1)
            L.block(s * x, top + 2, 6, ICE, 2)
    both_halves(L, b)
    mstand(L, [(48, 52), (76, 68), (104, 52)])
    levels.append(L)

    L = Level("Polis", "a city of blocks")
    def b(L, s):
        L.pillar(s * 24, 0, 2, 3, METAL, 1)
        L.pillar(s * 56, 0, 4, 21, PAPER, 2)
        L.block(s * 56, 50, 7, PAPER, 3)
        L.pillar(s * 88, 0, 3, 2, METAL, 1)
        L.pillar(s * 112, 0, 2, 17, PAPER, 2)
    both_halves(L, b)
    mstand(L, [(24, 32), (88, 36), (112, 32)])
    levels.append(L)

    L = Level("Siege", "a siege tower against a castle")
    L.slab(-120, 14, 4, 10, PAPER)
    L.pillar(-60, 14, 6, 1, METAL, 1)
    L.slab(-72, 66, 1, 10, PAPER, 2)
    L.slab(24, 14, 4, 10, METAL)
    L.pillar(40, 14, 3, 13, PAPER, 2)
    L.pillar(100, 14, 3, 2, METAL, 1)
    L.slab(88, 54, 1, 10, PAPER, 3)
    for x, top in ((-100, 14), (-36, 14), (-54, 66)):
        L.stand(0, x, top)
    for x, top in ((64, 14), (80, 14), (100, 54)):
        L.stand(1, x, top)
    levels.append(L)

    L = Level("Brix_War", "bunkers and sandbags")
    def b(L, s):
        mslab(L, s, 0, 12, 5, 10, METAL)
        L.pillar(s * 30, 12, 2, 11, PAPER, 1)
        L.pillar(s * 70, 12, 2, 11, PAPER, 1)
        mslab(L, s, 26, 32, 6, 6, PAPER, 2)
        L.pillar(s * 110, 12, 2, 0, PAPER, 3)
    both_halves(L, b)
    mstand(L, [(50, 12), (90, 12), (50, 32)])
    levels.append(L)

    L = Level("Tower", "ledges around a tall tower")
    L.pillar(0, 0, 5, 4, METAL)
    def b(L, s):
        mslab(L, s, 10, 40, 1, 24, PAPER, 1)
        mslab(L, s, 10, 72, 1, 24, ICE, 2)
        mslab(L, s, 60, 16, 2, 10, PAPER)
    both_halves(L, b)
    mstand(L, [(26, 40), (26, 72), (84, 16)])
    L.marker(0, 104)
    L.marker(-26, 80)
    L.marker(26, 80)
    levels.append(L)

    L = Level("Underground", "tunnels under a paper ceiling")
    def b(L, s):
        mslab(L, s, 0, 12, 5, 10, METAL)
        L.pillar(s * 40, 12, 2, 14, METAL, 1)
        L.pillar(s * 100, 12, 2, 14, METAL, 1)
        mslab(L, s, 0, 56, 5, 10, PAPER, 2)
        L.block(s * 110, 60, 1, PAPER, 3)
    both_halves(L, b)
    mstand(L, [(70, 12), (20, 12), (70, 56)])
    levels.append(L)
    return levels


def main():
    out = os.path.dirname(os.path.abspath(__file__))
    levels = training() + battle()
    for L in levels:
        L.check()
    for L in levels:
        with open(os.path.join(out, L.name + ".txt"), "w") as f:
            f.write(L.text())
    print("%d levels written" % len(levels))


if __name__ == "__main__":
    main()
