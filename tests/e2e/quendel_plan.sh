#!/usr/bin/env bash
# quendel plan on the example tree: every destination as the definition gives
# it, the filters per install type, JSON, and a failing exit for an object
# whose destination cannot be resolved.
#   quendel_plan.sh SOURCE_DIR QUENDEL [RUNNER]   (RUNNER: wine for quendel.exe)
set -u
src=$1
q=$2
run=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
  $run "$q" plan "$def" "$@" >"$work/raw" 2>"$work/err"
  local rc=$?
  tr -d '\r' <"$work/raw"
  return $rc
}

plan "$src/examples/sample-tree.txt" >"$work/text"
rc=$?
[ "$rc" -eq 0 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAILED: exit $rc"; cat "$work/err"; }
pf='C:\\Program Files'
expect group "^Group: TInstallGroup -> $pf\\\\Sample Company\\\\Sample Application\$" "$work/text"
expect help "^  Directory1: TInstallDirectory -> $pf\\\\Sample Company\\\\Sample Application\\\\Help\$" "$work/text"
expect order "^  Directory: " <(sed -n 3p "$work/text")
expect totals "^0 files, 0 bytes to install; 0 files skipped; 0 errors" "$work/text"

plan "$src/examples/sample-tree.txt" --json --install-type compact >"$work/json"
expect compact '"name": "Directory1".*"included": false, "stopped_by": "InstallTypes"' "$work/json"
expect json_dest '"destination": "C:\\\\Program Files\\\\Sample Company\\\\Sample Application\\\\Help"' "$work/json"

# A directory that names its container's folder but has no container.
sed 's/    Container = Group//' "$src/examples/sample-tree.txt" >"$work/broken.txt"
plan "$work/broken.txt" >"$work/broken"
rc=$?
[ "$rc" -eq 1 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAILED: broken exit $rc"; }
expect broken "Directory1: TInstallDirectory -> error: Cannot use ddContainerDestDir for Directory1" "$work/broken"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
