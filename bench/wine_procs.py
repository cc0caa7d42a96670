"""The processes of one Wine prefix: Wine starts a child program outside the
parent's process tree, so the prefix in a process's environment is what
finds it. Shared by the bench's samplers."""
import os


def prefix_pids(prefix):
    """The ids of the running processes whose WINEPREFIX is PREFIX (bytes)."""
    needle = b"WINEPREFIX=" + prefix + b"\0"
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if needle in f.read() + b"\0":
                    yield pid
        except OSError:
            pass


def stat_fields(pid):
    """/proc/PID/stat after the command name: [0] the state, [11] and [12]
    the user and system ticks."""
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rsplit(")", 1)[1].split()
