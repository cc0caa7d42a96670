#!/usr/bin/env bash
# Every win32 program the build makes must be a 32-bit Intel executable that
# needs no DLL of ours or of the toolchain beside it: only Windows' own.
set -u
dir=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|version|wininet|msvcrt|shlwapi|ws2_32|uuid|winmm|api-ms-win-.*)\.dll$'
status=0
count=0
while IFS= read -r exe; do
  count=$((count + 1))
  kind=$(file -b "$exe")
  case $kind in
    "PE32 executable"*"Intel 80386"*) ;;
    *) echo "$exe: not a PE32 Intel 80386 executable ($kind)"; status=1 ;;
  esac
  while IFS= read -r dll; do
    lower=$(tr 'A-Z' 'a-z' <<<"$dll")
    if ! grep -qE "$allowed" <<<"$lower"; then
      echo "$exe: needs $dll beside it"
      status=1
    fi
  done < <("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
# Wine prefixes that tests keep in the build tree hold Wine's programs, not ours.
done < <(find "$dir" -name '*.exe' -not -path '*/CMakeFiles/*' -not -path '*/drive_c/*')
if [ "$count" -eq 0 ]; then echo "no executables under $dir"; exit 1; fi
[ "$status" -eq 0 ] && echo "$count executables: PE32 for Intel 80386, Windows DLLs only"
exit $status
