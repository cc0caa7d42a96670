#!/usr/bin/env bash
# The loading program under Wine: unpacking, the setup program's command
# line and exit code, the temporary directory removed, the floppy request,
# bad arguments, and damaged or truncated setup files.
set -u
loader=$1 probe=$2 quendel=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${QUENDEL_WINEPREFIX:-$here/../../build/wineprefix}
export WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}
work=$(mktemp -d /tmp/quendel-loader.XXXXXX)
trap 'rm -rf "$work"' EXIT
fails=0
check() { # description, then a command that must succeed
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fails=$((fails + 1)); fi
}
win() { echo "Z:${1//\//\\}"; }

size=$(stat -c %s "$loader")
check "loading program stays under 64 KB ($size bytes)" [ "$size" -lt 65536 ]
mkdir -p "$work/src" "$work/dist dir" "$work/log dir"
cp "$probe" "$work/src/ProductSetup.exe"
touch -d '2004-05-06 07:08:10' "$work/src/ProductSetup.exe"
printf 'pre-setup file\r\n' >"$work/src/licence.txt"
wine "$quendel" archive add "$(win "$work/setup.1")" "$(win "$work/src/ProductSetup.exe")" >/dev/null || exit 1
wine "$quendel" archive add "$(win "$work/setup.1")" "$(win "$work/src/licence.txt")" --append >/dev/null || exit 1

# setup.exe = loader, setup.1, a stand-in file archive, the block.
make_setup() { # output path
  python3 - "$loader" "$work/setup.1" "$1" <<'PY'
import struct, sys
loader, archive, out = (open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read(), sys.argv[3])
files = b'files.1 stands in here'
p1 = len(loader); e1 = p1 + len(archive) - 1; p2 = e1 + 1; e2 = p2 + len(files) - 1
block = bytes([14]) + b'SELFEXTRACTING' + b'\0' + struct.pack('<4i', p1, e1, p2, e2) + bytes(24)
open(out, 'wb').write(loader + archive + files + block)
PY
}
setup="$work/dist dir/setup.exe"
make_setup "$setup"
export QUENDEL_PROBE_OUT=$(win "$work/probe.txt")
log=$(win "$work/log dir/setup.log")

run() { wine "$@" </dev/null >/dev/null 2>&1; }

# A silent install with a log: the setup program's switches and exit code.
QUENDEL_PROBE_EXIT=7 run "$setup" /S "/LOG=$log" -n; code=$?
check "exit code is the setup program's" [ "$code" -eq 7 ]
cmdline=$(sed -n 's/^cmdline=//p' "$work/probe.txt" | tr -d '\r')
dir=$(sed -n 's/^dir=//p' "$work/probe.txt" | tr -d '\r')
expected="-esetup.exe \"-s$(win "$work/dist dir")\" -c *q \"*l$log\" -n"
args=${cmdline#*ProductSetup.exe}; args=${args#\"}; args=${args# }
check "command line: $cmdline" [ "$args" = "$expected" ]
check "unpacked under the temporary directory ($dir)" grep -qiE '\\temp\\qnd[0-9A-F]{8}\.tmp$' <<<"$dir"
check "pre-setup file unpacked beside it" grep -q 'licence.txt;' "$work/probe.txt"
stamp=$(sed -n 's/^unixtime=//p' "$work/probe.txt" | tr -d '\r')
want=$(date -d '2004-05-06 07:08:10' +%s)
check "setup program keeps its stored date ($stamp vs $want)" [ "${stamp:-0}" -eq "$want" ]
hostdir=$(winepath -u "$dir" 2>/dev/null)
check "temporary directory removed afterwards" [ -n "$hostdir" ] && [ ! -e "$hostdir" ]

# The floppy request is handed on as -f.
QUENDEL_PROBE_EXIT=0 run "$setup" '*TODISK'; code=$?
cmdline=$(sed -n 's/^cmdline=//p' "$work/probe.txt" | tr -d '\r')
check "*TODISK starts the transfer ($cmdline)" [ "$code" -eq 0 ] && grep -q '" -f -esetup.exe ' <<<"$cmdline"

# Bad arguments: the usage text, in the log when silent, and exit code 2.
rm -f "$work/probe.txt"
run "$setup" /S "/LOG=$log" /BOGUS; code=$?
check "bad argument gives exit code 2" [ "$code" -eq 2 ]
check "bad argument logged with the usage" grep -q 'Invalid argument </BOGUS>' "$work/log dir/setup.log"
check "setup program not started for a bad argument" [ ! -e "$work/probe.txt" ]

temp_entries() { ls "$(winepath -u 'C:\users' 2>/dev/null)"/*/Temp 2>/dev/null | grep -c '^qnd' ; }
before=$(temp_entries)

# A truncated setup file (a download cut short): the block is gone, so the
# extraction info is unreadable.
head -c $(($(stat -c %s "$setup") - 500)) "$setup" >"$work/truncated.exe"
rm -f "$work/log dir/setup.log"
run "$work/truncated.exe" /S "/LOG=$log"; code=$?
check "truncated file gives exit code 3" [ "$code" -eq 3 ]
check "truncated file logged" grep -q 'Could not read the extraction info from the archive file' "$work/log dir/setup.log"

# Damaged data inside the setup archive: a flipped byte in the program's stream.
python3 - "$setup" "$work/damaged.exe" <<'PY'
import sys
b = bytearray(open(sys.argv[1], 'rb').read())
p1 = int.from_bytes(b[-40:-36], 'little')
b[p1 + 5 + 176 + 300] ^= 0x55
open(sys.argv[2], 'wb').write(b)
PY
run "$work/damaged.exe" /S "/LOG=$log"; code=$?
check "damaged file gives exit code 3" [ "$code" -eq 3 ]
check "damaged file logged" grep -q 'is damaged or incomplete' "$work/log dir/setup.log"
check "nothing left in the temporary directory" [ "$(temp_entries)" -eq "$before" ]
check "setup program not started from a damaged file" [ ! -e "$work/probe.txt" ]

[ "$fails" -eq 0 ]
