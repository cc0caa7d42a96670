#!/usr/bin/env bash
# A file held open is replaced at the next start of Windows: the first phase
# schedules the replacement while a program holds the file, the second checks
# it after "wineboot -r". Runs in a prefix of its own, made here and removed
# afterwards, so the restart touches no other test. The prefix lives outside
# the build tree, where the executable checks would find Wine's own programs.
# Usage: replace_at_reboot.sh <model_tests.exe>
set -u
tests=$1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quendel-reboot-XXXXXX") || exit 1
export WINEPREFIX=$scratch/prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
mkdir -p "$scratch/files"
export QUENDEL_REBOOT_DIR=$scratch/files
finish() {
  wineserver -k 2>/dev/null
  rm -rf "$scratch"
}
trap finish EXIT
wineboot -i >/dev/null 2>&1 </dev/null
wineserver -w
wineserver -p 30
wine cmd /c exit >/dev/null 2>&1 </dev/null
wine "$tests" --gtest_filter='Win32FileOps.RebootReplace_Before' || exit 1
wineboot -r >/dev/null 2>&1 </dev/null
wine "$tests" --gtest_filter='Win32FileOps.RebootReplace_After' || exit 1
