#!/usr/bin/env python3
"""Prints the ".Data" value of typical.txt's ThemeBitmap: a 2 x 2 pixel,
24-bit Windows bitmap as a picture stores it (the graphic class "TBitmap" as a
short string, the BMP file's size in 4 bytes, the BMP file), in hexadecimal,
32 bytes per line as the text form writes it."""
import struct

pixels = bytes([0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0,   # red, green, row padding
                0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0, 0])  # blue, white
info = struct.pack('<IiiHHIIiiII', 40, 2, 2, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
size = 14 + len(info) + len(pixels)
bmp = b'BM' + struct.pack('<IHHI', size, 0, 0, 14 + len(info)) + info + pixels
data = bytes([7]) + b'TBitmap' + struct.pack('<I', len(bmp)) + bmp
hexed = data.hex().upper()
for i in range(0, len(hexed), 64):
    print(hexed[i:i + 64])
