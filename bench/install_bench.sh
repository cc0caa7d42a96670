#!/usr/bin/env bash
# The install benchmark: the same payload (about 40 MB in 300 files, made by
# make_payload.py) built and installed with our tools and with NSIS's
# makensis (SetCompressor zlib) in one run on one machine, under one 64-bit
# Wine prefix made once by this script. Prints a table; bench/README.md keeps
# the figures. Not run by CI (minutes of work, and the yardstick's figures
# only mean something on a quiet machine).
#   bench/install_bench.sh [WIN32_BUILD_DIR [NATIVE_BUILD_DIR]]
#                                  (default build/win32 and build/native-release)
# Needs the win32 build of quendel-setup.exe and QuendelLoadProgram.exe, the
# native author tool (quendel, built Release), and makensis (Debian's nsis,
# from scripts/setup). BENCH_WINE_BUILD=1 also times the setup program's own
# "-b" under Wine (needs quendel.exe) and checks it wrote the same setup.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/win32}" && pwd)
native=$(cd "${2:-$root/build/native-release}" && pwd)
wine_build=${BENCH_WINE_BUILD:-0}
here=$root/bench
work=$root/build/bench
runs=${BENCH_RUNS:-2}
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
fail() { echo "FAIL: $*" >&2; exit 1; }
for f in apps/setup/quendel-setup.exe apps/loader/QuendelLoadProgram.exe; do
  [ -f "$build/$f" ] || fail "no $build/$f (build the win32 preset first)"
done
[ "$wine_build" = 1 ] && { [ -f "$build/apps/quendel/quendel.exe" ] || fail "no $build/apps/quendel/quendel.exe"; }
[ -x "$native/apps/quendel/quendel" ] || fail "no $native/apps/quendel/quendel (build the native-release preset)"
command -v makensis >/dev/null || fail "no makensis (run scripts/setup)"
started_server=
cleanup() { [ -n "$started_server" ] && wineserver -k 2>/dev/null || true; }
trap cleanup EXIT

now() { date +%s.%N; }
secs() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
win() { winepath -w "$1" 2>/dev/null; }
# timed NAME CMD...: runs CMD under /usr/bin/time -v; sets T_<NAME> (seconds)
# M_<NAME> (max RSS in KiB of the command and the children it waited for) and
# C_<NAME> (its CPU seconds, user + system).
timed() {
  local name=$1 t0 t1
  shift
  t0=$(now)
  /usr/bin/time -v -o "$work/time.$name" "$@" </dev/null >"$work/out.$name" 2>&1 \
    || { cat "$work/out.$name" >&2; fail "$name failed"; }
  t1=$(now)
  printf -v "T_$name" '%s' "$(secs "$t0" "$t1")"
  printf -v "M_$name" '%s' "$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.$name")"
  printf -v "C_$name" '%s' "$(awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$work/time.$name")"
}
# wine_timed NAME CMD...: the same for a Wine program, whose peak memory is
# sampled from every process of the prefix (see peak_rss.py).
wine_timed() {
  local name=$1 t0 t1 code
  shift
  rm -f "$work/stop" "$work/ready"
  # Timed only once the prefix is quiet: what the previous program left
  # running (our cleanup batch file) is not the next one's time.
  python3 "$here/settle.py" "$WINEPREFIX" >/dev/null
  python3 "$here/peak_rss.py" "$WINEPREFIX" "$work/stop" "$work/ready" >"$work/rss.$name" &
  local sampler=$!
  while [ ! -e "$work/ready" ]; do sleep 0.01; done
  t0=$(now)
  set +e
  "$@" </dev/null >"$work/out.$name" 2>&1
  code=$?
  set -e
  t1=$(now)
  touch "$work/stop"
  wait "$sampler"
  [ "$code" -eq 0 ] || { cat "$work/out.$name" >&2; fail "$name ended with $code"; }
  printf -v "T_$name" '%s' "$(secs "$t0" "$t1")"
  read -r "M_$name" "C_$name" <"$work/rss.$name"
}
best() { printf '%s\n' "$@" | sort -n | head -n1; }

# 1. The payload, and each file compressed alone with zlib 9 as the yardstick.
rm -rf "$work/payload" "$work/ours" "$work/nsis"
mkdir -p "$work/payload" "$work/ours/kit" "$work/ours/author" "$work/nsis"
read -r nfiles payload_bytes zlib9_bytes < <(python3 "$here/make_payload.py" "$work/payload")
echo "payload: $nfiles files, $payload_bytes bytes; each alone with zlib 9: $zlib9_bytes bytes"

# 2. The prefix, made once, with one warm wineserver for every step.
if [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || fail "cannot make a 64-bit Wine prefix"
fi
wineserver -w
wineserver -p
started_server=1
wine cmd /c exit >/dev/null 2>&1 </dev/null

# write_definition PAYLOAD: the definition of one TInstallFile per file, in a
# TInstallDirectory per subdirectory of PAYLOAD (dtTraditional: every file
# in files.1 inside setup.exe).
write_definition() {
  local payload=$1 n=0 dir f srcw
  printf "object frmMainMenu: TfrmMainMenu\n  Caption = 'Quendel Bench'\n"
  printf '  object psProgramFiles: TpsProgramFiles\n  end\n'
  printf '  object psContainerArchiveFile: TpsContainerArchiveFile\n  end\n'
  printf '  object psMainArchiveFile: TpsMainArchiveFile\n  end\n'
  printf '  object psContainerDestDir: TpsContainerDestDir\n  end\n'
  printf "  object Install1: TInstall\n    DestDir = '\\\\Quendel Bench'\n    DestDirType = psProgramFiles\n"
  printf '    ArchiveFileType = psMainArchiveFile\n    NoUninstall = True\n  end\n'
  for dir in $(cd "$payload" && ls); do
    printf '  object Dir_%s: TInstallDirectory\n    Container = Install1\n' "$dir"
    printf "    ArchiveFileType = psContainerArchiveFile\n    DestDir = '\\\\%s'\n" "$dir"
    printf '    DestDirType = psContainerDestDir\n  end\n'
    srcw="Z:${payload//\//\\}\\$dir"
    for f in $(cd "$payload/$dir" && ls); do
      n=$((n + 1))
      printf '  object File%d: TInstallFile\n    Container = Dir_%s\n' "$n" "$dir"
      printf '    ArchiveFileType = psContainerArchiveFile\n    DestDirType = psContainerDestDir\n'
      printf "    FileName = '%s'\n    DestName = '%s'\n    IncludeFromDir = '%s'\n  end\n" "$f" "$f" "$srcw"
    done
  done
  printf 'end\n'
}

# 3. Our build: the definition (one object per file), then quendel build
# natively (make-setup and the distributables in one run).
cp "$build/apps/setup/quendel-setup.exe" "$build/apps/loader/QuendelLoadProgram.exe" "$work/ours/kit/"
printf 'Quendel Setup kit\r\n' >"$work/ours/kit/Q32V52.TXT"
write_definition "$work/payload" >"$work/ours/definition.txt"
build_load_before=$(cut -d' ' -f1-3 /proc/loadavg)
timed ours_build env QUENDEL_KIT="$work/ours/kit" "$native/apps/quendel/quendel" build \
  "$work/ours/definition.txt" -o "$work/ours/out" --program BenchSetup.exe --title "Quendel Bench"
ours_exe=$work/ours/out/setup.exe
[ -f "$ours_exe" ] || fail "the build wrote no setup.exe"
# The same build by the setup program's own "-b" under Wine, for comparison.
if [ "$wine_build" = 1 ]; then
  printf '%s\r\n' "$(win "$work/ours/wine")" >"$work/ours/author/BUILD.INF"
  kitw=$(win "$work/ours/kit")
  wine_timed make_setup env QUENDEL_KIT="$kitw" wine "$build/apps/quendel/quendel.exe" make-setup \
    "$(win "$work/ours/definition.txt")" -o "$(win "$work/ours/author/BenchSetup.exe")" --title "Quendel Bench"
  # Dated as quendel build dates its setup program, so that both archives match.
  touch -r "$work/ours/out/BenchSetup.exe" "$work/ours/author/BenchSetup.exe"
  cd "$work/ours/author"
  wine_timed wine_build env QUENDEL_KIT="$kitw" wine BenchSetup.exe -b '*q' "*l$(win "$work/ours/build.log")"
  cd "$root"
fi
ours_size=$(stat -c %s "$ours_exe")
# The block at the end: P1, E1 (setup.1), P2, E2 (files.1).
read -r p1 e1 p2 e2 < <(python3 -c '
import struct, sys
d = open(sys.argv[1], "rb").read()[-56:]
assert d[1:15] == b"SELFEXTRACTING", d[:16]
print(*struct.unpack("<4i", d[16:32]))' "$ours_exe")
files1=$((e2 - p2 + 1))
overhead=$((ours_size - files1))

# 4. NSIS: the same files, zlib, a silent installer.
{
  printf 'Unicode true\nSetCompressor zlib\nName "NSIS Bench"\nOutFile "%s"\n' "$work/nsis/nsis-setup.exe"
  printf 'InstallDir "$PROGRAMFILES\\NSIS Bench"\nRequestExecutionLevel admin\nSilentInstall silent\n'
  printf 'Section\n'
  for dir in bin data text; do
    printf '  SetOutPath "$INSTDIR\\%s"\n  File "%s/*"\n' "$dir" "$work/payload/$dir"
  done
  printf 'SectionEnd\n'
} >"$work/nsis/bench.nsi"
timed nsis_build makensis -V2 "$work/nsis/bench.nsi"
build_load_after=$(cut -d' ' -f1-3 /proc/loadavg)
nsis_size=$(stat -c %s "$work/nsis/nsis-setup.exe")

# 5. Silent installs, best of $runs, each into an empty destination. The
# destinations are moved aside into a trash directory removed at the end:
# files deleted right before an install make ext4 look through the recently
# freed inodes for every file created (inside wineserver, which opens the
# files), a cost of the bench, not of either installer.
ours_dest="$WINEPREFIX/drive_c/Program Files (x86)/Quendel Bench"
nsis_dest="$WINEPREFIX/drive_c/nsisbench"
trash=$work/trash
rm -rf "$trash"
mkdir -p "$trash"
aside() { # DIR...: moves each existing DIR into the trash
  local d
  for d in "$@"; do
    [ -e "$d" ] && mv "$d" "$(mktemp -d "$trash/XXXXXX")/"
  done
  return 0
}
check_tree() { # PAYLOAD DEST: every payload file landed, byte for byte
  (cd "$1" && find . -type f) | while read -r f; do
    cmp -s "$1/$f" "$2/$f" || fail "$f did not land in $2"
  done
}
check() { check_tree "$work/payload" "$1"; }
ti=() tn=() mi=() mn=() ci=() cn=()
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for _ in $(seq "$runs"); do
  aside "$ours_dest" "$nsis_dest"
  wine_timed ours_install wine "$ours_exe" /S "/LOG=$(win "$work/ours/install.log")"
  check "$ours_dest"
  ti+=("$T_ours_install") mi+=("$M_ours_install") ci+=("$C_ours_install")
  wine_timed nsis_install wine "$work/nsis/nsis-setup.exe" /S "/D=C:\\nsisbench"
  check "$nsis_dest"
  tn+=("$T_nsis_install") mn+=("$M_nsis_install") cn+=("$C_nsis_install")
done
T_ours_install=$(best "${ti[@]}") T_nsis_install=$(best "${tn[@]}")
C_ours_install=$(best "${ci[@]}") C_nsis_install=$(best "${cn[@]}")
M_ours_install=$(printf '%s\n' "${mi[@]}" | sort -n | tail -n1)
M_nsis_install=$(printf '%s\n' "${mn[@]}" | sort -n | tail -n1)
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
aside "$ours_dest" "$nsis_dest"

# 5b. Peak memory against file size: the same install of a few files of
# 1 MiB and of 24 MiB (word text, as in the payload), each built and
# installed once; the setup program's peak must not follow the file size.
mem_sizes="1 24"
for mib in $mem_sizes; do
  m=$work/mem$mib
  rm -rf "$m"
  mkdir -p "$m/payload/files" "$m/kit"
  python3 - "$m/payload/files" "$mib" <<'PY'
import random, sys
out, mib = sys.argv[1], int(sys.argv[2])
words = "the of and to in is for on that file setup install program window registry folder".split()
rng = random.Random(mib)
for i in range(3):
    with open(f"{out}/file{i}.txt", "wb") as f:
        left = mib << 20
        while left > 0:
            line = (" ".join(rng.choice(words) for _ in range(rng.randint(4, 14))) + ".\r\n").encode()
            f.write(line[:left])
            left -= len(line[:left])
PY
  cp "$work/ours/kit/"* "$m/kit/"
  write_definition "$m/payload" >"$m/definition.txt"
  QUENDEL_KIT="$m/kit" "$native/apps/quendel/quendel" build "$m/definition.txt" -o "$m/out" \
    --program BenchSetup.exe --title "Quendel Bench" >"$m/build.out" 2>&1 || { cat "$m/build.out" >&2; fail "memory payload $mib MiB: build failed"; }
  # A short install can end between two samples of the sampler (on a busy
  # machine most of all); such a run tells nothing, so it is run again.
  for try in 1 2 3 4 5; do
    aside "$ours_dest"
    wine_timed "mem$mib" wine "$m/out/setup.exe" /S
    check_tree "$m/payload" "$ours_dest"
    v=M_mem$mib
    [ "${!v}" -gt 0 ] && break
  done
  [ "${!v}" -gt 0 ] || fail "memory payload $mib MiB: the sampler saw no process in 5 runs"
  aside "$ours_dest"
  rm -rf "$m"
done
rm -rf "$trash"

# 6. The table.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
pct() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.2f %%", (a - b) * 100 / b }'; }
kib() { awk -v a="$1" 'BEGIN { printf "%.0f KiB", a / 1024 }'; }
cat <<TABLE

| measure | ours | NSIS | ours / NSIS | target |
|---|---|---|---|---|
| build time (s, quendel build) | $T_ours_build | $T_nsis_build | $(ratio "$T_ours_build" "$T_nsis_build") | ≤ 0.55 |
| build CPU time (s, user + system) | $C_ours_build | $C_nsis_build | $(ratio "$C_ours_build" "$C_nsis_build") | |
| build peak memory | $M_ours_build KiB | $M_nsis_build KiB | $(ratio "$M_ours_build" "$M_nsis_build") | |
| output size (bytes) | $ours_size | $nsis_size | $(ratio "$ours_size" "$nsis_size") | |
| install time (s, best of $runs) | $T_ours_install | $T_nsis_install | $(ratio "$T_ours_install" "$T_nsis_install") | ≤ 0.5 |
| install CPU time (s, user + system, best of $runs) | $C_ours_install | $C_nsis_install | $(ratio "$C_ours_install" "$C_nsis_install") | |
| install peak memory (largest process) | $M_ours_install KiB | $M_nsis_install KiB | $(ratio "$M_ours_install" "$M_nsis_install") | |

install peak memory against file size (3 files each, largest process): 1 MiB files $M_mem1 KiB, 24 MiB files $M_mem24 KiB
files.1: $files1 bytes; each file alone with zlib 9: $zlib9_bytes bytes: $(pct "$files1" "$zlib9_bytes") (target within 1 %)
load average (1, 5, 15 min) before the installs: $load_before; after them: $load_after
build load average (1, 5, 15 min): $build_load_before before, $build_load_after after makensis
$([ "$wine_build" = 1 ] && echo "under Wine: make-setup $T_make_setup s + BenchSetup.exe -b $T_wine_build s (CPU $C_make_setup + $C_wine_build s); setup.exe $(cmp -s "$ours_exe" "$work/ours/wine/setup.exe" && echo "the same bytes" || echo "DIFFERS")")
setup.exe overhead (loading program $p1 + setup.1 $((e1 - p1 + 1)) + block 56): $overhead bytes = $(kib "$overhead") (target ≤ 300 KB)
TABLE
