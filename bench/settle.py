#!/usr/bin/env python3
"""Waits until a Wine prefix has settled after a program: for 100 ms no
process of the prefix left but Wine's own services (services, winedevice,
plugplay, svchost, rpcss, the desktop's explorer) and a wineserver using no
CPU (one of the services polls on its own, so theirs is not looked at).
What a program leaves running after it returns (our setup program's
cleanup batch file: cmd.exe and its console) would otherwise be timed as
part of the next installer's run. Gives up after TIMEOUT seconds (default
10) and says so on stderr, naming what still ran; prints the seconds waited.
usage: settle.py WINEPREFIX [TIMEOUT]
"""
import os
import sys
import time

from wine_procs import prefix_pids, stat_fields

prefix = sys.argv[1].encode()
timeout = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
services = (b"services.exe", b"winedevice.exe", b"plugplay.exe", b"svchost.exe",
            b"rpcss.exe", b"explorer.exe", b"wineserver")  # wineserver64 too


def look():
    """(the names of the other programs running, the wineserver's CPU ticks)"""
    others, ticks = [], 0
    for pid in prefix_pids(prefix):
        try:
            # Wine's programs only (wine, wine64, their preloaders,
            # wineserver), not the shell or Python that run the bench.
            if not os.path.basename(os.readlink(f"/proc/{pid}/exe")).startswith("wine"):
                continue
            fields = stat_fields(pid)
            if fields[0] == "Z":
                continue
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                cmd = f.read().split(b"\0")[0].lower()
            name = os.path.basename(cmd.replace(b"\\", b"/"))
            if name.startswith(b"wineserver"):
                ticks += int(fields[11]) + int(fields[12])
            elif not name.startswith(services):
                others.append(name.decode(errors="replace"))
        except OSError:
            pass
    return others, ticks


start = time.monotonic()
calm, last = 0, None
while calm < 5:
    if time.monotonic() - start > timeout:
        print(f"settle.py: the prefix was still busy after {timeout:g} s:",
              " ".join(others) or "wineserver", file=sys.stderr)
        break
    others, ticks = look()
    calm = calm + 1 if not others and ticks == last else 0
    last = ticks
    time.sleep(0.02)
print("%.2f" % (time.monotonic() - start))
