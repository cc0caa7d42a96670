#!/usr/bin/env bash
# quendel plan on the example tree (an install root with a miscellaneous
# directory and a group of two directories, one file in each): every
# destination down to the help file, the processing order, the filters per
# install type, JSON, and a failing exit for an object whose destination
# cannot be resolved. Natively the simulated machine's program files folder;
# under Wine quendel.exe in a 64-bit prefix, where a 32-bit program sees
# "Program Files (x86)".
#   quendel_plan.sh SOURCE_DIR QUENDEL              natively
#   quendel_plan.sh SOURCE_DIR QUENDEL_EXE WIN32_BUILD_DIR   under Wine
set -u
src=$1
q=$2
run=
if [ $# -ge 3 ]; then
  run=wine
  . "$(dirname "${BASH_SOURCE[0]}")/wine64.sh"
  e2e_begin "$3" quendel-plan
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
passed=0
failed=0
expect() { # NAME PATTERN FILE
  if grep -qE -- "$2" "$3"; then passed=$((passed + 1))
  else failed=$((failed + 1)); echo "FAILED: $1: no match for $2 in:"; cat "$3"; fi
}
plan() { # DEFINITION [OPTIONS]: prints the output without carriage returns; returns its exit code
  local def=$1; shift
  # Under Wine the definition is named by its Windows path (a leading "/"
  # would read as a Windows-style option).
  [ -n "$run" ] && def=$(winepath -w "$def" 2>/dev/null)
  $run "$q" plan "$def" "$@" >"$work/raw" 2>"$work/err" </dev/null
  local rc=$?
  tr -d '\r' <"$work/raw"
  return $rc
}

plan "$src/examples/sample-tree.txt" >"$work/text"
rc=$?
[ "$rc" -eq 0 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAILED: exit $rc"; cat "$work/err"; }
if [ -n "$run" ]; then pf='C:\\Program Files \(x86\)'; else pf='C:\\Program Files'; fi
app="$pf\\\\Sample Company\\\\Sample Application"
expect root "^Install1: TInstall -> $app  archive " "$work/text"
expect group "^  Group: TInstallGroup -> $app  archive " "$work/text"
expect help "^    Directory1: TInstallDirectory -> $app\\\\Help  archive " "$work/text"
expect hlp "^      IFSample_hlp: TInstallFile -> $app\\\\Help\\\\Sample.hlp  archive .* member Sample.hlp \(0 bytes\)\$" "$work/text"
expect exe "^      IFSample_exe: TInstallFile -> $app\\\\Sample.exe  archive .* member Sample.exe" "$work/text"
expect misc "^  idMiscellaneous: TInstallDirectory -> $app\\\\Uninstall  archive " "$work/text"
# Groups before directories, each kind the later-stored first, a container's
# own files after its sub-containers.
sed -E 's/^( *[A-Za-z0-9_]+):.*/\1/' "$work/text" | head -7 | tr '\n' '|' >"$work/order"
expect order '^Install1\|  Group\|    Directory1\|      IFSample_hlp\|    Directory\|      IFSample_exe\|  idMiscellaneous\|$' "$work/order"
expect totals "^2 files, 0 bytes to install; 0 files skipped; 0 errors" "$work/text"

plan "$src/examples/sample-tree.txt" --json --install-type compact >"$work/json"
expect compact '"name": "Directory1".*"included": false, "stopped_by": "InstallTypes"' "$work/json"
expect compact_file '"name": "IFSample_hlp".*"included": false, "stopped_by": "container"' "$work/json"
expect json_dest "\"destination\": \"${app//\\\\/\\\\\\\\}\\\\\\\\Help\\\\\\\\Sample.hlp\"" "$work/json"
# Every container's files go into the install root's archive, the files.1
# beside the setup program (here: beside the definition).
grep -oE '"archive": "[^"]*"' "$work/json" | sort -u >"$work/archives"
[ "$(wc -l <"$work/archives")" -eq 1 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAILED: more than one archive:"; cat "$work/archives"; }
expect archive '\\\\examples\\\\files\.1"$' "$work/archives"
expect json_totals '"files": 1, "bytes": 0, "skipped_files": 1, "errors": 0' "$work/json"

# Directories that name their container's folder but have no container: the
# install never reaches them, and the plan says so and fails.
sed '/    Container = Group/d' "$src/examples/sample-tree.txt" >"$work/broken.txt"
plan "$work/broken.txt" >"$work/broken"
rc=$?
[ "$rc" -eq 1 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAILED: broken exit $rc"; }
expect broken "^Directory1: TInstallDirectory \[skipped: no container\] -> error: Cannot use ddContainerDestDir for Directory1" "$work/broken"
# A root without a path specifier would install relative to wherever setup runs.
sed '0,/DestDirType = psProgramFiles/{/DestDirType = psProgramFiles/d}' "$src/examples/sample-tree.txt" >"$work/relative.txt"
plan "$work/relative.txt" >"$work/relative"
rc=$?
[ "$rc" -eq 1 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAILED: relative exit $rc"; }
expect relative '^Install1: TInstall -> error: the destination \\Sample Company\\Sample Application of Install1 is not a full path' "$work/relative"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
