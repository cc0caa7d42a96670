#!/usr/bin/env python3
"""Samples, every 20 ms until STOPFILE appears, the resident memory of the
Windows programs running in one Wine prefix, and prints the largest single
process's peak in KiB and the CPU seconds (user + system) those processes
used, as last seen (up to 20 ms of each process's end can be missed). Wine starts a child program outside the parent's
process tree, so /usr/bin/time cannot see it; the prefix in a process's
environment finds it. The prefix's own services (wineserver, programs under
C:\\windows) are left out: they are the same for every installer. READYFILE,
when given, is made after the first look, so that the caller can start the
program only then (a short install could end before the sampler's start).
usage: peak_rss.py WINEPREFIX STOPFILE [READYFILE]
"""
import os
import sys
import time

from wine_procs import prefix_pids, stat_fields

prefix, stop = sys.argv[1].encode(), sys.argv[2]
ready = sys.argv[3] if len(sys.argv) > 3 else None
peak = 0
cpu = {}
tick = os.sysconf("SC_CLK_TCK")
while not os.path.exists(stop):
    for pid in prefix_pids(prefix):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                cmd = f.read().lower()
            if b"wineserver" in cmd or b"c:\\windows\\" in cmd or b".exe" not in cmd:
                continue
            with open(f"/proc/{pid}/status") as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        peak = max(peak, int(line.split()[1]))
            fields = stat_fields(pid)
            cpu[pid] = (int(fields[11]) + int(fields[12])) / tick
        except OSError:
            pass
    if ready:
        open(ready, "w").close()
        ready = None
    time.sleep(0.02)
print(peak, "%.2f" % sum(cpu.values()))
