#!/usr/bin/env python3
"""Writes the install benchmark's payload: about 40 MB in 300 files, the same
bytes on every run on the same machine.

  text/  150 files, 16 MiB of word text (compresses about 3:1)
  data/   50 files, 12 MiB of seeded random bytes, standing for data that is
          already compressed (images, archives): deflate cannot shrink it
  bin/   100 files, about 12 MiB of real 32-bit Windows binaries (Wine's
          DLLs, taken in name order), or code-like bytes where there are none

Prints one line: files, bytes, and the bytes of compressing each file alone
with zlib level 9 (the yardstick for an archive's size).
usage: make_payload.py OUTDIR
"""
import os
import random
import sys
import zlib

MiB = 1 << 20
WORDS = ("the of and to in is for on that by with as file setup install program "
         "window registry folder directory archive version uninstall shortcut "
         "product company license readme update service driver library module "
         "error warning message dialog button option value key data system").split()


def text_file(rng, size):
    out, n = [], 0
    while n < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14)))
        line = line.capitalize() + ".\r\n"
        out.append(line)
        n += len(line)
    return "".join(out).encode()[:size]


def code_like(rng, size):
    # Short repeated instruction-like runs mixed with addresses: compresses
    # roughly like machine code.
    ops = [bytes(rng.getrandbits(8) for _ in range(rng.randint(2, 7))) for _ in range(512)]
    out = bytearray()
    while len(out) < size:
        out += rng.choice(ops)
        if rng.random() < 0.2:
            out += rng.getrandbits(32).to_bytes(4, "little")
    return bytes(out[:size])


def wine_dlls():
    for d in ("/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/wine/i386-windows"):
        if os.path.isdir(d):
            return [os.path.join(d, f) for f in sorted(os.listdir(d)) if f.endswith(".dll")]
    return []


def main():
    out = sys.argv[1]
    rng = random.Random(20261207)
    files = {}
    sizes = [rng.randint(40, 180) * 1024 for _ in range(150)]
    scale = 16 * MiB / sum(sizes)
    for i, s in enumerate(sizes):
        files[f"text/doc{i:03d}.txt"] = text_file(rng, int(s * scale))
    sizes = [rng.randint(100, 400) * 1024 for _ in range(50)]
    scale = 12 * MiB / sum(sizes)
    for i, s in enumerate(sizes):
        files[f"data/blob{i:03d}.dat"] = rng.randbytes(int(s * scale))
    budget, taken = 12 * MiB, 0
    dlls = [p for p in wine_dlls() if 20 * 1024 <= os.path.getsize(p) <= 1 * MiB]
    for i in range(100):
        name = f"bin/mod{i:03d}.dll"
        if i < len(dlls) and taken + os.path.getsize(dlls[i]) <= budget:
            with open(dlls[i], "rb") as f:
                files[name] = f.read()
        else:
            files[name] = code_like(rng, max(20 * 1024, (budget - taken) // (100 - i)))
        taken += len(files[name])
    total = packed = 0
    for name, data in files.items():
        path = os.path.join(out, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (1764547200, 1764547200))  # a fixed date: reproducible archives
        total += len(data)
        packed += len(zlib.compress(data, 9))
    print(len(files), total, packed)


if __name__ == "__main__":
    main()
