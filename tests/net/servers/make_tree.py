"""Writes the files the test servers serve. Usage: make_tree.py ROOT"""
import os
import sys

root = sys.argv[1]
SIZE = 100000


def pattern(size):
    return bytes(((i * 31) + (i >> 8)) & 0xFF for i in range(size))


os.makedirs(os.path.join(root, "files", "sub dir"), exist_ok=True)
files = {
    "data.bin": pattern(SIZE),
    "files/data.bin": pattern(SIZE),
    "files/small.txt": b"small file\r\n",
    "files/starts404.txt": b"404 is where this file begins, and it is a real file.\n",
    "files/empty.txt": b"",
    "files/sub dir/spaced.txt": b"a name with a space\n",
}
for name, data in files.items():
    with open(os.path.join(root, name), "wb") as f:
        f.write(data)
