#!/usr/bin/env python3
"""Compares an image with a reference the project keeps.

    compare_images.py REFERENCE ACTUAL [TOLERANCE]

Both are read through ImageMagick's convert (PNG, PPM, ...). Pixels whose
channels differ by more than TOLERANCE (default 8) are reported with their
coordinates, at most twenty of them, and the exit code is 1. With
UPDATE_REFS=1 in the environment a missing or different reference is
written from ACTUAL instead (and reported)."""
import os
import subprocess
import sys


def read_ppm(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                          capture_output=True).stdout
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    if fields[0] != b"P6" or fields[3] != b"255":
        raise SystemExit(f"{path}: not an 8-bit RGB image")
    w, h = int(fields[1]), int(fields[2])
    return w, h, data[pos:pos + w * h * 3]


def main():
    ref, actual = sys.argv[1], sys.argv[2]
    tol = int(sys.argv[3]) if len(sys.argv) > 3 else 8
    update = os.environ.get("UPDATE_REFS") == "1"
    if not os.path.exists(ref):
        if update:
            subprocess.run(["convert", actual, ref], check=True)
            print(f"{ref}: written from {actual}")
            return 0
        print(f"{ref}: no such reference image")
        return 1
    rw, rh, rp = read_ppm(ref)
    aw, ah, ap = read_ppm(actual)
    if (rw, rh) != (aw, ah):
        print(f"{actual}: {aw}x{ah}, the reference {ref} is {rw}x{rh}")
        return 1
    bad = []
    for i in range(rw * rh):
        r, a = rp[i * 3:i * 3 + 3], ap[i * 3:i * 3 + 3]
        if any(abs(x - y) > tol for x, y in zip(r, a)):
            bad.append((i % rw, i // rw, tuple(r), tuple(a)))
    if not bad:
        return 0
    if update:
        subprocess.run(["convert", actual, ref], check=True)
        print(f"{ref}: rewritten from {actual} ({len(bad)} pixels differed)")
        return 0
    print(f"{actual}: {len(bad)} of {rw * rh} pixels differ from {ref} by more than {tol}:")
    for x, y, r, a in bad[:20]:
        print(f"  ({x}, {y}): expected rgb{r}, got rgb{a}")
    return 1


if __name__ == "__main__":
    sys.exit(main())
