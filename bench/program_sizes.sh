#!/usr/bin/env bash
# What every product's setup.exe carries besides the product's files (the
# loading program, "setup.1" with the compressed setup program, the 56-byte
# block), and the uninstaller: builds a product of one small file with the
# native "quendel build" against a kit of the win32 build, reads the block,
# and prints one table row of bytes.
#   bench/program_sizes.sh [WIN32_BUILD_DIR] [NATIVE_BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
win32=${1:-$root/build/win32}
native=${2:-$root/build/native}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/kit" "$work/product"
cp "$win32/apps/setup/quendel-setup.exe" "$win32/apps/loader/QuendelLoadProgram.exe" \
  "$win32/apps/uninstall/uninstall.exe" "$work/kit/"
printf 'kit\r\n' >"$work/kit/Q32V52.TXT"
printf 'hello\r\n' >"$work/product/hello.txt"
cat >"$work/product/product.txt" <<'DEF'
object frmMainMenu: TfrmMainMenu
  object psProgramFiles: TpsProgramFiles
  end
  object psMainArchiveFile: TpsMainArchiveFile
  end
  object Install1: TInstall
    DestDir = '\Sizes'
    DestDirType = psProgramFiles
    ArchiveFileType = psMainArchiveFile
  end
  object IFhello: TInstallFile
    Container = Install1
    DestDirType = psProgramFiles
    ArchiveFileType = psMainArchiveFile
    FileName = 'hello.txt'
    DestName = 'hello.txt'
  end
end
DEF
SOURCE_DATE_EPOCH=0 QUENDEL_KIT=$work/kit "$native/apps/quendel/quendel" build \
  "$work/product/product.txt" -o "$work/out" >/dev/null
exe=$work/out/setup.exe
read -r p1 e1 p2 e2 < <(python3 -c '
import struct, sys
d = open(sys.argv[1], "rb").read()[-56:]
assert d[1:15] == b"SELFEXTRACTING", d[:16]
print(*struct.unpack("<4i", d[16:32]))' "$exe")
size=$(stat -c %s "$exe")
files1=$((e2 - p2 + 1))
printf '| setup program | setup.1 | loading program | overhead | uninstall.exe |\n'
printf '| %s | %s | %s | %s (%s KiB) | %s |\n' \
  "$(stat -c %s "$win32/apps/setup/quendel-setup.exe")" "$((e1 - p1 + 1))" "$p1" \
  "$((size - files1))" "$(((size - files1) / 1024))" "$(stat -c %s "$win32/apps/uninstall/uninstall.exe")"
