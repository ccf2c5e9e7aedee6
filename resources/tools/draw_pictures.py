#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
"""Draws Quorvella's pictures as 16-colour pixel art and writes them under resources/.

Every picture is made here, pixel by pixel: either typed in as a grid of palette
letters (one character per pixel, '.' = transparent) or drawn with a few simple
shapes (discs, rectangles) at its exact size. Nothing is scaled.

Python 3 standard library only (zlib, struct). Run from anywhere:

    python3 resources/tools/draw_pictures.py
    python3 resources/tools/draw_pictures.py --preview DIR   (PNGs of every picture, for looking)

Outputs (paths relative to resources/):
    quorvella.ico        16, 32, 48  monitor with a game pad on its screen
    icons/quorvella-16.png, -32.png, -48.png  the same, for the hicolor theme
    windows/quorvella-exe.ico  16, 32, 48, 256  the same with a large image, for
                         quorvella.exe in Explorer (the window keeps quorvella.ico)
    stopwatch.ico        32, 16
    face-smile.ico       32, 16
    face-straight.ico    32, 16
    face-laugh.ico       32, 16
    noentry.ico          32, 16

The .ico files hold classic 4-bit (16-colour) DIB images with a 1-bit AND mask
for transparency; the one 256-pixel image is a PNG inside the .ico, as Windows
keeps large icons. The PNGs are 8-bit indexed with one fully transparent entry.
"""

import math
import os
import sys
import struct
import zlib

# ---------------------------------------------------------------------------
# Palette: the classic 16-colour VGA / Windows palette, in its usual order.
# Letter -> (index, RGB).  '.' is transparent.
# ---------------------------------------------------------------------------
PALETTE = [
    ("K", (0x00, 0x00, 0x00)),  # 0  black
    ("M", (0x80, 0x00, 0x00)),  # 1  maroon
    ("G", (0x00, 0x80, 0x00)),  # 2  green
    ("O", (0x80, 0x80, 0x00)),  # 3  olive
    ("N", (0x00, 0x00, 0x80)),  # 4  navy
    ("P", (0x80, 0x00, 0x80)),  # 5  purple
    ("T", (0x00, 0x80, 0x80)),  # 6  teal
    ("S", (0xC0, 0xC0, 0xC0)),  # 7  silver
    ("A", (0x80, 0x80, 0x80)),  # 8  gray
    ("R", (0xFF, 0x00, 0x00)),  # 9  red
    ("L", (0x00, 0xFF, 0x00)),  # 10 lime
    ("Y", (0xFF, 0xFF, 0x00)),  # 11 yellow
    ("B", (0x00, 0x00, 0xFF)),  # 12 blue
    ("F", (0xFF, 0x00, 0xFF)),  # 13 magenta (fuchsia)
    ("C", (0x00, 0xFF, 0xFF)),  # 14 cyan (aqua)
    ("W", (0xFF, 0xFF, 0xFF)),  # 15 white
]
INDEX = {letter: i for i, (letter, _) in enumerate(PALETTE)}
TRANSPARENT = "."

HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCES = os.path.dirname(HERE)


# ---------------------------------------------------------------------------
# A tiny canvas of palette letters.
# ---------------------------------------------------------------------------
class Canvas:
    def __init__(self, size):
        self.w = self.h = size
        self.px = [[TRANSPARENT] * size for _ in range(size)]

    def get(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            return self.px[y][x]
        return TRANSPARENT

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Filled rectangle, corners inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def stamp(self, rows, x0=0, y0=0):
        """Copies a grid of letters onto the canvas; '.' leaves a pixel as it is."""
        width = len(rows[0])
        for dy, row in enumerate(rows):
            assert len(row) == width, "ragged row %d in stamp: %r" % (dy, row)
            for dx, c in enumerate(row):
                if c != TRANSPARENT:
                    assert c in INDEX, "unknown palette letter %r" % c
                    self.set(x0 + dx, y0 + dy, c)

    def rows(self):
        return ["".join(r) for r in self.px]


def grid(text):
    """A block of text -> list of rows (blank lines and indentation dropped)."""
    rows = [line.strip() for line in text.strip("\n").splitlines()]
    rows = [r for r in rows if r]
    width = len(rows[0])
    for i, r in enumerate(rows):
        assert len(r) == width, "ragged row %d: %r (%d, want %d)" % (i, r, len(r), width)
    return rows


def full(text, size):
    """A whole picture typed as a grid; checks its size."""
    rows = grid(text)
    assert len(rows) == size and len(rows[0]) == size, (len(rows), len(rows[0]), size)
    c = Canvas(size)
    c.stamp(rows)
    return c


def in_disc(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def round_badge(size, r, fill, shade, cx=None, cy=None, shade_shift=None):
    """A disc with a black 1-pixel outline, a fill colour and a crescent of shade
    colour along its lower right rim.  Returns (canvas, inside-mask)."""
    c = Canvas(size)
    if cx is None:
        cx = (size - 1) / 2.0
    if cy is None:
        cy = (size - 1) / 2.0
    if shade_shift is None:
        shade_shift = max(1.0, size / 16.0)
    inside = [[in_disc(x, y, cx, cy, r) for x in range(size)] for y in range(size)]
    for y in range(size):
        for x in range(size):
            if not inside[y][x]:
                continue
            edge = any(
                not (0 <= x + dx < size and 0 <= y + dy < size and inside[y + dy][x + dx])
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
            )
            if edge:
                c.set(x, y, "K")
            elif shade and not in_disc(x, y, cx - shade_shift, cy - shade_shift, r - 0.5):
                c.set(x, y, shade)
            else:
                c.set(x, y, fill)
    return c, inside


# ---------------------------------------------------------------------------
# 1. The app icon: a monitor with a game pad on its screen.
# ---------------------------------------------------------------------------
MONITOR_48 = """
................................................
................................................
................................................
..KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK..
.KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWSK.
.KWSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSAK.
.KWSSAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAWSAK.
.KWSSANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNWSSAK.
.KWSSANCCNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNWSSAK.
.KWSSANCNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNWSSAK.
.KWSSANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNWSSAK.
.KWSSANNNNNKKKKKKKKKKKKKKKKKKKKKKKKKKNNNNNWSSAK.
.KWSSANNNNKWWWWWWWWWWWWWWWWWWWWWWWWWSKNNNNWSSAK.
.KWSSANNNKWSSSSSSSSSSSSSSSSSSSSSSSSSSAKNNNWSSAK.
.KWSSANNNKWSSSSKKSSSSSSSSSSSSSSSSRRSSAKNNNWSSAK.
.KWSSANNNKWSSSSKKSSSSSSSSSSSSSSSRRRRSAKNNNWSSAK.
.KWSSANNNKWSSKKKKKKSSSSSSSSSSSSSRRRRSAKNNNWSSAK.
.KWSSANNNKWSSKKKKKKSSSSSSSSSSSBBSRRSSAKNNNWSSAK.
.KWSSANNNKWSSSSKKSSAAASAAASSSBBBBSSSSAKNNNWSSAK.
.KWSSANNNKWSSSSKKSSSSSSSSSSSSBBBBSSSSAKNNNWSSAK.
.KWSSANNNKWSSSSSSSSSSSSSSSSSSSBBSSSSSAKNNNWSSAK.
.KWSSANNNKWSSSSSSSSSSSSSSSSSSSSSSSSSSAKNNNWSSAK.
.KWSSANNNKSSSSSSSSKKKKKKKKKKKKSSSSSSSAKNNNWSSAK.
.KWSSANNNNKSSSSSSKNNNNNNNNNNNNKSSSSSAKNNNNWSSAK.
.KWSSANNNNKSSSSSAKNNNNNNNNNNNNKSSSSAAKNNNNWSSAK.
.KWSSANNNNNKSSSAKNNNNNNNNNNNNNNKSSAAKNNNNNWSSAK.
.KWSSANNNNNNKKKKNNNNNNNNNNNNNNNNKKKKNNNNNNWSSAK.
.KWSSANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNWSSAK.
.KWSSANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNWSSAK.
.KWSSANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNWSSAK.
.KWSSAWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWSSAK.
.KWSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSAK.
.KWSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSAK.
.KWSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSKLLKSSSSAK.
.KWSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSAK.
.KSAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAK.
..KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK..
...................KWSSSSSSAK...................
...................KWSSSSSSAK...................
...................KWSSSSSAAK...................
...................KWSSSSSAAK...................
..........KKKKKKKKKKSSSSSSAAKKKKKKKKKK..........
.........KWWWWWWWWWWWWWWWWWWWWWWWWWWWSK.........
........KWSSSSSSSSSSSSSSSSSSSSSSSSSSSSAK........
........KSAAAAAAAAAAAAAAAAAAAAAAAAAAAAAK........
.........KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.........
................................................
................................................
"""

MONITOR_32 = """
................................
..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..
.KWWWWWWWWWWWWWWWWWWWWWWWWWWWSK.
.KWSSSSSSSSSSSSSSSSSSSSSSSSSSAK.
.KWSAAAAAAAAAAAAAAAAAAAAAAAAWAK.
.KWSANNNNNNNNNNNNNNNNNNNNNNNWAK.
.KWSANCNNNNNNNNNNNNNNNNNNNNNWAK.
.KWSANNNKKKKKKKKKKKKKKKKNNNNWAK.
.KWSANNKWWWWWWWWWWWWWWWWKNNNWAK.
.KWSANKWSSKSSSSSSSSSSSRRSKNNWAK.
.KWSANKWSKKKSSSSSSSSSSRRSKNNWAK.
.KWSANKWSSKSSSSSSSSSBBSSSKNNWAK.
.KWSANKWSSSSSAASAASSBBSSAKNNWAK.
.KWSANKSSSSSSKKKKKKSSSSSAKNNWAK.
.KWSANNKSSSSKNNNNNNKSSSAKNNNWAK.
.KWSANNKSSSAKNNNNNNKSSAAKNNNWAK.
.KWSANNNKKKKNNNNNNNNKKKKNNNNWAK.
.KWSANNNNNNNNNNNNNNNNNNNNNNNWAK.
.KWSANNNNNNNNNNNNNNNNNNNNNNNWAK.
.KWSAWWWWWWWWWWWWWWWWWWWWWWWWAK.
.KWSSSSSSSSSSSSSSSSSSSSSSSSSSAK.
.KWSSSSSSSSSSSSSSSSSSSSSSKLKSAK.
.KSAAAAAAAAAAAAAAAAAAAAAAAAAAAK.
..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..
............KWSSSSAK............
............KWSSSSAK............
............KWSSSAAK............
.......KKKKKKSSSSAAKKKKKK.......
......KWWWWWWWWWWWWWWWWWSK......
......KSAAAAAAAAAAAAAAAAAK......
.......KKKKKKKKKKKKKKKKKK.......
................................
"""

MONITOR_16 = """
................
.KKKKKKKKKKKKKK.
KWWWWWWWWWWWWWSK
KWNNNNNNNNNNNNAK
KWNNWWWWWWWWNNAK
KWNWSKSSSSSRSNAK
KWNSKKKSSSBSANAK
KWNSSKSSSSSSANAK
KWNNSANNNNSANNAK
KWSSSSSSSSSSLSAK
KSAAAAAAAAAAAAAK
.KKKKKKKKKKKKKK.
......KSAK......
..KKKKKSAKKKKK..
..KWWWWWWWWWSK..
...KKKKKKKKKK...
"""


# The 256-pixel monitor, for Explorer's large views: too big to type, so it is drawn
# with shapes given by their signed distance (negative inside, in pixels).
def rounded_rect(x0, y0, x1, y1, r):
    cx, cy, hw, hh = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2

    def distance(x, y):
        qx, qy = abs(x - cx) - (hw - r), abs(y - cy) - (hh - r)
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r

    return distance


def disc(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def paint(c, shape, fill, outline=None, width=0, top_left=None, bottom_right=None, depth=0):
    """Fills a shape: an outline of the given width along its edge, and rims of depth
    pixels along its upper-left and lower-right sides (light and shade, or the other
    way round for a recess)."""
    inner = lambda x, y: shape(x, y) <= -width
    for y in range(c.h):
        for x in range(c.w):
            px, py = x + 0.5, y + 0.5
            if shape(px, py) > 0:
                continue
            if outline and not inner(px, py):
                c.set(x, y, outline)
            elif bottom_right and not inner(px + depth, py + depth):
                c.set(x, y, bottom_right)
            elif top_left and not inner(px - depth, py - depth):
                c.set(x, y, top_left)
            else:
                c.set(x, y, fill)


def draw_monitor_256():
    c = Canvas(256)
    case = dict(outline="K", width=6, top_left="W", bottom_right="A", depth=6)
    paint(c, rounded_rect(100, 188, 155, 226, 0), "S", **case)  # the neck
    paint(c, rounded_rect(42, 218, 213, 244, 10), "S", **case)  # the foot
    paint(c, rounded_rect(6, 14, 249, 196, 14), "S", **case)  # the case
    # the screen, sunk into the case: shade above and left, light below and right
    paint(c, rounded_rect(28, 34, 227, 164, 6), "N", top_left="A", bottom_right="W", depth=6)
    c.rect(40, 46, 57, 51, "C")  # a glint in its corner
    c.rect(40, 46, 45, 63, "C")
    # the game pad: a bar with two grips
    pad = union(rounded_rect(52, 60, 203, 124, 20), disc(86, 120, 26), disc(170, 120, 26))
    paint(c, pad, "S", outline="K", width=5, top_left="W", bottom_right="A", depth=5)
    c.rect(72, 86, 109, 98, "K")  # the cross
    c.rect(84, 74, 97, 110, "K")
    c.rect(113, 91, 125, 96, "A")  # select and start
    c.rect(131, 91, 143, 96, "A")
    paint(c, disc(174, 80, 11), "R", bottom_right="M", depth=3)
    paint(c, disc(154, 100, 11), "B", bottom_right="N", depth=3)
    # the power light
    paint(c, rounded_rect(190, 174, 216, 184, 0), "L", outline="K", width=3)
    return c


def draw_monitor(size):
    if size == 256:
        return draw_monitor_256()
    return full({16: MONITOR_16, 32: MONITOR_32, 48: MONITOR_48}[size], size)


# ---------------------------------------------------------------------------
# 2. The stopwatch.
# ---------------------------------------------------------------------------
STOPWATCH_32_TOP = """
............KKKKKKKK............
............KWWWWWSK............
............KSSSSSAK............
............KKKKKKKK.....KK.....
..............KSAK......KWSK....
..............KSAK.....KWSAK....
.......................KSAK.....
......................KSAK......
........................K.......
"""


def draw_stopwatch(size):
    if size == 32:
        cx, cy, r = 15.5, 18.5, 13.0
        c, inside = round_badge(size, r, "S", "A", cx, cy, shade_shift=1.5)
        # the dial: a white disc inside the silver case
        for y in range(size):
            for x in range(size):
                if in_disc(x, y, cx, cy, r - 3.0):
                    c.set(x, y, "W")
        # a thin gray ring where the dial meets the case
        for y in range(size):
            for x in range(size):
                if c.get(x, y) == "W" and not in_disc(x, y, cx, cy, r - 4.0):
                    c.set(x, y, "A")
        c.stamp(grid(STOPWATCH_32_TOP), 0, 0)
        # ticks at 12, 3, 6 and 9
        c.rect(15, 10, 16, 11, "K")          # 12
        c.rect(15, 26, 16, 27, "K")          # 6
        c.rect(7, 18, 8, 19, "K")            # 9
        c.rect(23, 18, 24, 19, "K")          # 3
        # hands: a long red one towards about "two", a short black one towards "eleven"
        c.stamp(grid("""
        ........R
        .......R.
        ......R..
        .....R...
        ....R....
        ...R.....
        """), 15, 12)
        c.stamp(grid("""
        K...
        KK..
        .KK.
        ..K.
        """), 12, 15)
        c.rect(15, 18, 16, 19, "K")          # hub
        c.set(15, 18, "A")
        return c
    if size == 16:
        return full("""
        ......KKKK......
        ......KWSK......
        .......KK....K..
        .....KKSAKK.KAK.
        ...KKSWWWWAKKK..
        ..KSAWWKWWWAAK..
        ..KSWWWKWWRWAK..
        .KSAWWWKWRWWWAK.
        .KSWWWWKRWWWWAK.
        .KSAWWWWKWWWWAK.
        .KSWWWWWWWWWWAK.
        ..KSWWWWWWWWAK..
        ..KSAWWWWWWAAK..
        ...KKAAWWAAKK...
        .....KKKKKK.....
        ................
        """, 16)
    raise ValueError(size)


# ---------------------------------------------------------------------------
# 3. The faces: yellow, black outline, olive shade, a white glint.
# ---------------------------------------------------------------------------
def face_base(size):
    if size == 32:
        c, _ = round_badge(size, 16.0, "Y", "O", shade_shift=2.0)
        c.stamp(grid("""
        .WW
        W..
        W..
        """), 7, 5)
        # eyes
        for ex in (10, 20):
            c.rect(ex, 9, ex + 1, 13, "K")
        return c
    if size == 16:
        c, _ = round_badge(size, 8.0, "Y", "O", shade_shift=1.0)
        c.set(4, 3, "W")
        c.set(3, 4, "W")
        for ex in (5, 10):
            c.rect(ex, 4, ex, 6, "K")
        return c
    raise ValueError(size)


MOUTHS = {
    ("smile", 32): (7, 18, """
        K................K
        K................K
        .K..............K.
        .KK............KK.
        ..KKK........KKK..
        ....KKKKKKKKKK....
        """),
    ("smile", 16): (3, 9, """
        K........K
        .K......K.
        ..KKKKKK..
        """),
    ("straight", 32): (9, 21, """
        KKKKKKKKKKKKKK
        KKKKKKKKKKKKKK
        """),
    ("straight", 16): (4, 10, """
        KKKKKKKK
        """),
    ("laugh", 32): (7, 17, """
        KKKKKKKKKKKKKKKKKK
        KWWWWWWWWWWWWWWWWK
        KMMMMMMMMMMMMMMMMK
        .KRRRRRRRRRRRRRRK.
        .KRRRRRRRRRRRRRRK.
        ..KRRRRRRRRRRRRK..
        ..KKRRRRRRRRRRKK..
        ....KKRRRRRRKK....
        ......KKKKKK......
        """),
    ("laugh", 16): (3, 9, """
        KKKKKKKKKK
        KWWWWWWWWK
        .KRRRRRRK.
        ..KKKKKK..
        """),
}


def draw_face(kind, size):
    c = face_base(size)
    x, y, art = MOUTHS[(kind, size)]
    c.stamp(grid(art), x, y)
    if kind == "laugh":
        # happy, squeezed eyes: upside-down arcs instead of the open ovals
        if size == 32:
            for ex in (10, 20):
                c.rect(ex, 9, ex + 1, 13, "Y")
            c.stamp(grid("""
            ..KK..
            .K..K.
            K....K
            K....K
            """), 8, 9)
            c.stamp(grid("""
            ..KK..
            .K..K.
            K....K
            K....K
            """), 18, 9)
        else:
            for ex in (5, 10):
                c.rect(ex, 4, ex, 6, "Y")
            c.stamp(grid("""
            .K.
            K.K
            """), 4, 4)
            c.stamp(grid("""
            .K.
            K.K
            """), 9, 4)
    return c


# ---------------------------------------------------------------------------
# 4. The no-entry sign: a red disc crossed by a white horizontal bar.
# ---------------------------------------------------------------------------
def draw_noentry(size):
    if size == 32:
        c, _ = round_badge(size, 16.0, "R", "M", shade_shift=2.0)
        c.rect(6, 13, 25, 18, "W")
        c.rect(6, 18, 25, 18, "S")           # a touch of depth under the bar
        c.rect(25, 13, 25, 18, "S")
        return c
    if size == 16:
        c, _ = round_badge(size, 8.0, "R", "M", shade_shift=1.0)
        c.rect(3, 6, 12, 9, "W")
        c.rect(3, 9, 12, 9, "S")
        return c
    raise ValueError(size)


# ---------------------------------------------------------------------------
# Writers: PNG (8-bit indexed + transparent entry) and ICO (4-bit DIB + AND mask).
# ---------------------------------------------------------------------------
def check_canvas(c):
    for row in c.rows():
        for ch in row:
            assert ch == TRANSPARENT or ch in INDEX, ch


def png_bytes(c, rgba=False):
    """8-bit indexed with a transparent entry, or 8-bit RGBA (the form an .ico holds)."""
    check_canvas(c)
    trans_index = len(PALETTE)  # entry 16 is the transparent one
    raw = bytearray()
    for row in c.rows():
        raw.append(0)  # filter: none
        for ch in row:
            if not rgba:
                raw.append(trans_index if ch == TRANSPARENT else INDEX[ch])
            elif ch == TRANSPARENT:
                raw.extend(b"\x00\x00\x00\x00")
            else:
                raw.extend(bytes(PALETTE[INDEX[ch]][1]) + b"\xff")

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    plte = b"".join(bytes(rgb) for _, rgb in PALETTE) + b"\x00\x00\x00"
    trns = b"\xff" * len(PALETTE) + b"\x00"
    colours = b"" if rgba else chunk(b"PLTE", plte) + chunk(b"tRNS", trns)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", c.w, c.h, 8, 6 if rgba else 3, 0, 0, 0))
            + colours
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def dib_bytes(c):
    """A 4-bit icon DIB: header, 16-entry palette, XOR pixels, AND mask (bottom-up)."""
    check_canvas(c)
    w, h = c.w, c.h
    xor_stride = ((w * 4 + 31) // 32) * 4
    and_stride = ((w + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(c.rows()):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, ch in enumerate(row):
            if ch == TRANSPARENT:
                idx = 0  # black under a set mask bit: the screen shows through
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                idx = INDEX[ch]
            if x % 2 == 0:
                line[x // 2] |= idx << 4
            else:
                line[x // 2] |= idx
        xor.extend(line)
        mask.extend(bits)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def ico_bytes(canvases):
    """An .ico of the canvases, in their order; a 256-pixel one is stored as a PNG."""
    images = [png_bytes(c, rgba=True) if c.w == 256 else dib_bytes(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        colours, bits = (0, 32) if c.w == 256 else (16, 4)
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def write(path, data):
    full_path = os.path.join(RESOURCES, path)
    os.makedirs(os.path.dirname(full_path), exist_ok=True)
    with open(full_path, "wb") as f:
        f.write(data)
    print("wrote %s (%d bytes)" % (os.path.relpath(full_path, os.path.dirname(RESOURCES)), len(data)))


def preview(directory):
    """Writes every picture as a PNG into directory, for looking at them."""
    pictures = {"quorvella": draw_monitor, "stopwatch": draw_stopwatch, "noentry": draw_noentry}
    for kind in ("smile", "straight", "laugh"):
        pictures["face-" + kind] = (lambda k: lambda s: draw_face(k, s))(kind)
    os.makedirs(directory, exist_ok=True)
    for name, draw in pictures.items():
        for s in (16, 32, 48, 256):
            try:
                c = draw(s)
            except (ValueError, KeyError):
                continue
            with open(os.path.join(directory, "%s-%d.png" % (name, s)), "wb") as f:
                f.write(png_bytes(c))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        preview(sys.argv[2])
        return
    monitor = {s: draw_monitor(s) for s in (16, 32, 48, 256)}
    write("quorvella.ico", ico_bytes([monitor[16], monitor[32], monitor[48]]))
    write("windows/quorvella-exe.ico", ico_bytes([monitor[s] for s in (16, 32, 48, 256)]))
    for s in (16, 32, 48):
        write("icons/quorvella-%d.png" % s, png_bytes(monitor[s]))
    write("stopwatch.ico", ico_bytes([draw_stopwatch(32), draw_stopwatch(16)]))
    for kind in ("smile", "straight", "laugh"):
        write("face-%s.ico" % kind, ico_bytes([draw_face(kind, 32), draw_face(kind, 16)]))
    write("noentry.ico", ico_bytes([draw_noentry(32), draw_noentry(16)]))


if __name__ == "__main__":
    main()
