#!/usr/bin/env python3
"""Writes install_theme.bmp, the wizard pages' default side picture (the
resource "INSTALLTHEME1", 117 x 290): a blue gradient, dithered over a
16-colour palette so that the bitmap stays small, with a package drawn in
its upper part.  python3 make_install_theme.py > install_theme.bmp"""
import struct
import sys

W, H = 117, 290
TOP, BOTTOM = (16, 40, 112), (70, 150, 200)
SHADES = 12
palette = []
for i in range(SHADES):
    t = i / (SHADES - 1)
    palette.append(tuple(round(a + (b - a) * t) for a, b in zip(TOP, BOTTOM)))
LIGHT, MID, DARK, EDGE = 12, 13, 14, 15
palette += [(236, 214, 160), (208, 176, 112), (168, 132, 72), (90, 64, 30)]
BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def background(x, y):
    level = (y / (H - 1)) * (SHADES - 1)
    base = int(level)
    frac = level - base
    up = frac * 16 > BAYER[y % 4][x % 4] + 0.5
    return min(SHADES - 1, base + (1 if up else 0))


def package(x, y):
    """A box seen from above and the front: lid, front and side faces."""
    cx, top, size, depth = 58, 70, 56, 18
    left, right = cx - size // 2, cx + size // 2
    # lid: a parallelogram leaning right by depth
    if top <= y < top + depth:
        shift = top + depth - y
        if left + shift <= x < right + shift:
            edge = x in (left + shift, right + shift - 1) or y == top
            return EDGE if edge else LIGHT
    # front face
    if top + depth <= y < top + depth + size and left <= x < right:
        edge = x in (left, right - 1) or y in (top + depth, top + depth + size - 1)
        tape = abs(x - (left + right) // 2) <= 3
        return EDGE if edge else (LIGHT if tape else MID)
    # side face, slanting up to the lid's right end
    if right <= x < right + depth:
        dx = x - right
        if top + depth - dx <= y < top + depth + size - dx:
            edge = x == right + depth - 1 or y in (top + depth - dx, top + depth + size - dx - 1)
            return EDGE if edge else DARK
    return None


stride = ((W * 4 + 31) // 32) * 4
rows = []
for y in range(H - 1, -1, -1):  # bottom-up
    pix = [package(x, y) for x in range(W)]
    pix = [p if p is not None else background(x, y) for x, p in enumerate(pix)]
    pix.append(0)
    row = bytes((pix[i] << 4) | pix[i + 1] for i in range(0, W, 2))
    rows.append(row + b"\0" * (stride - len(row)))
bits = b"".join(rows)
colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 4, 0, len(bits), 3780, 3780, 16, 16)
offset = 14 + len(info) + len(colours)
head = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
sys.stdout.buffer.write(head + info + colours + bits)
