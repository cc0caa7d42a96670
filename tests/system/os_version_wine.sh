#!/usr/bin/env bash
# Runs the OS-detection test of system_tests.exe under Wine with the program
# set to an older Windows: usage os_version_wine.sh EXE WINEVERSION EXPECTED
# (for example "win98 oswin98"). Wine sets the version per program name, so
# the test runs from a copy of its own name.
set -euo pipefail
exe=$1 version=$2 expected=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
copy=$(dirname "$exe")/system_tests_$version.exe
cp -f "$exe" "$copy"
"$here/scripts/wine-run" reg add "HKCU\\Software\\Wine\\AppDefaults\\$(basename "$copy")" \
  /v Version /d "$version" /f >/dev/null
QUENDEL_EXPECT_OS=$expected "$here/scripts/wine-run" "$copy" \
  --gtest_filter=ThisMachine.GetOSVersion_PlaysTheConfiguredWindows:ThisMachine.GetTempFileName_DeletesUnlessKept
