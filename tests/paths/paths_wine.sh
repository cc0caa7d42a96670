#!/usr/bin/env bash
# Runs the tests of paths_tests.exe that use this machine's real registry and
# shell under Wine set to an older Windows: usage paths_wine.sh EXE WINEVERSION.
# Wine sets the version per program name, so the tests run from a copy.
set -euo pipefail
exe=$1 version=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
copy=$(dirname "$exe")/paths_tests_$version.exe
cp -f "$exe" "$copy"
"$here/scripts/wine-run" reg add "HKCU\\Software\\Wine\\AppDefaults\\$(basename "$copy")" \
  /v Version /d "$version" /f >/dev/null
"$here/scripts/wine-run" "$copy" --gtest_filter='ThisMachine*'
