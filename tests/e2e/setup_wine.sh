#!/usr/bin/env bash
# A product's setup program end to end under Wine, as a user's machine runs
# it: a 64-bit prefix (the setup program is 32-bit, so its HKLM\SOFTWARE
# writes land in the 32-bit view), "quendel make-setup" from the kit, the
# program's PE checked (version resource, Authenticode signing), then
# unattended runs with a log and their exit codes.
#   setup_wine.sh WIN32_BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
quendel=$build/apps/quendel/quendel.exe
runtime_dir=$build/apps/setup
work=$(mktemp -d "$build/setup-e2e.XXXXXX")
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The prefix of this run, with one warm wineserver for all the steps.
wineboot -i >/dev/null 2>&1 || fail "cannot make a 64-bit Wine prefix (is wine64 installed?)"
wineserver -w
wineserver -p
wine cmd /c exit >/dev/null 2>&1 </dev/null
[ -d "$WINEPREFIX/drive_c/windows/syswow64" ] || fail "the prefix is not 64-bit"

win() { winepath -w "$1" 2>/dev/null; }

# make-setup, with the kit found through QUENDEL_KIT.
QUENDEL_KIT=$(win "$runtime_dir") wine "$quendel" make-setup "$(win "$src/examples/setup/definition.txt")" \
  -o "$(win "$work/ExampleSetup.exe")" --title "Quendel Example Install" </dev/null \
  || fail "make-setup failed"
[ -f "$work/ExampleSetup.exe" ] || fail "make-setup wrote nothing"
# A definition the runtime could not load is refused, and nothing is written.
printf 'object X: TNoSuchClass\nend\n' >"$work/bad.txt"
if QUENDEL_KIT=$(win "$runtime_dir") wine "$quendel" make-setup "$(win "$work/bad.txt")" \
  -o "$(win "$work/Bad.exe")" </dev/null 2>/dev/null; then fail "make-setup accepted a bad definition"; fi
[ ! -e "$work/Bad.exe" ] || fail "make-setup left a file behind"

# Still a valid PE: its version resource reads, and Authenticode signs and
# verifies it (a throwaway self-signed certificate).
wine "$quendel" version "$(win "$work/ExampleSetup.exe")" </dev/null | grep -q "Quendel Setup program" \
  || fail "quendel version cannot read the setup program"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quendel Test" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -in "$work/ExampleSetup.exe" \
  -out "$work/SignedSetup.exe" >/dev/null || fail "osslsigncode cannot sign the setup program"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/SignedSetup.exe" >/dev/null \
  || fail "the signature does not verify"

# An unattended good install: exit code 0, the log's lines, no record left.
log=$work/setup.log
set +e
wine "$work/SignedSetup.exe" "-s$(win "$work")" '*q' "*l$(win "$log")" </dev/null
code=$?
set -e
[ "$code" -eq 0 ] || { cat "$log" >&2 || true; fail "good install ended with $code"; }
grep -q ' RUN installation completed' "$log" || fail "log: no completion line"
grep -q ' END exit code 0' "$log" || fail "log: no end line"
if wine reg query 'HKLM\SOFTWARE\Vexo\Install' >/dev/null 2>&1; then fail "the install record stayed"; fi

# A bad command line: the start-failure code and the message in the log.
rm -f "$log"
set +e
wine "$work/ExampleSetup.exe" -x '*q' "*l$(win "$log")" </dev/null
code=$?
set -e
[ "$code" -eq 4 ] || fail "a bad argument ended with $code"
grep -q 'ERROR Invalid parameter <-x>' "$log" || fail "log: no invalid-parameter error"

# Without "-s" (not started by the loading program): a bad install (1).
rm -f "$log"
set +e
wine "$work/ExampleSetup.exe" '*q' "*l$(win "$log")" </dev/null
code=$?
set -e
[ "$code" -eq 1 ] || fail "a run without -s ended with $code"
grep -q 'ERROR The path of the loading program was not passed correctly' "$log" \
  || fail "log: no loading-program error"

# A run that needs a restart: exit code 3, the record kept in the 32-bit
# view with the chosen destination, the continuation under HKCU RunOnce
# (Wine never runs HKCU RunOnce itself, so the test runs the command); the
# continuation finishes and removes the record.
sed 's/^    DestDir = .*/&\n    Reboot = True/' "$src/examples/setup/definition.txt" >"$work/reboot.txt"
QUENDEL_KIT=$(win "$runtime_dir") wine "$quendel" make-setup "$(win "$work/reboot.txt")" \
  -o "$(win "$work/RebootSetup.exe")" </dev/null || fail "make-setup (reboot) failed"
rm -f "$log"
set +e
wine "$work/RebootSetup.exe" "-s$(win "$work")" '*q' "*l$(win "$log")" </dev/null
code=$?
set -e
[ "$code" -eq 3 ] || { cat "$log" >&2; fail "a run needing a restart ended with $code"; }
wine reg query 'HKLM\SOFTWARE\Vexo\Install\Install0' >/dev/null 2>&1 || fail "no record kept for the restart"
if wine reg query 'HKLM\SOFTWARE\Vexo\Install\Install0' /reg:64 >/dev/null 2>&1; then
  fail "the record is in the 64-bit view"
fi
command=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v QuendelUnfinished \
  </dev/null | tr -d '\r' | sed -n 's/.*QuendelUnfinished *REG_SZ *//p' | sed 's/\\"/"/g')
[ -n "$command" ] || fail "no RunOnce value QuendelUnfinished"
case "$command" in
  \"*RebootSetup.exe\"\ -r\ \"-s*) ;;
  *) fail "unexpected continuation command: $command" ;;
esac
# The command as Windows would split it (no globbing of "*q").
set -f
eval "continuation=($command)"
set +f
set +e
wine "${continuation[@]}" </dev/null
code=$?
set -e
[ "$code" -eq 0 ] || { cat "$log" >&2; fail "the continuation ended with $code"; }
grep -q ' RUN installation completed after the restart' "$log" || fail "log: continuation not completed"
if wine reg query 'HKLM\SOFTWARE\Vexo\Install' >/dev/null 2>&1; then fail "the record stayed after the continuation"; fi
echo "setup program end to end: ok"
